// What an emulated adapter holds, for every test that lays it down: the flash
// (an Option ROM start with its $DM$ header, boot settings records as an
// operator would have configured them, images for --update), the
// configuration space with its capability list, the VPD in the standard
// layout and the faults file. Each part is built byte by byte, so that a
// test can change exactly the part it is about.
#pragma once

#include "settings/boot_settings_record.h"
#include "support/emulator_sandbox.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using bytes = std::vector<std::uint8_t>;

// The adapter's serial flash: 512 KiB in sectors of 64 KiB; the Option ROM
// region is sectors 0 to 2, the boot settings record starts sector 3.
inline constexpr std::size_t kFlashBytes = 0x80000;
inline constexpr std::size_t kSectorBytes = 0x10000;
inline constexpr std::size_t kRecordOffset = 0x30000;

inline bytes bytes_of(const bytes& v, std::size_t from, std::size_t to) {
    return bytes(v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(to));
}

// Bytes that differ from their neighbours, from first on.
inline bytes pattern(std::size_t size, std::uint8_t first = 0) {
    bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(first + i * 7 + (i >> 8));
    }
    return data;
}

inline bytes erased_flash() {
    return bytes(kFlashBytes, 0xFF);
}

// An Option ROM start of 4 KiB: the signature, filler without a '$', and
// "$DM$" with version major.minor.third at dm_offset (no header when
// dm_offset is negative).
void put_option_rom(bytes* flash, long dm_offset, std::uint8_t major = 2, std::uint8_t minor = 5,
                    std::uint16_t third = 12);

// An image that starts with the signature and whose other bytes all lie in
// 0x80-0xCF. Such bytes can never form a flash command word on the wire
// (those have zero high bytes), so a trace can be read unambiguously.
bytes make_rom_image(std::size_t size);

// Flash as a used adapter has it: the Option ROM sectors programmed to 0x00
// (so a sector that is not erased cannot take a new image), and a settings
// sector with content of its own behind the record's magic.
bytes make_used_flash();

// Flash as an installed adapter holds it: 100 KiB of Option ROM with its
// $DM$ header at 0x1A, the record, and something in every 4 KiB after the
// settings sector.
bytes flash_holding(const boot_settings_record& record);

// The boot settings record in flash.
inline void put_record(bytes* flash, const boot_settings_record& record) {
    std::memcpy(flash->data() + kRecordOffset, &record, sizeof record);
}
boot_settings_record record_from_flash(const bytes& flash);
bytes record_bytes(const boot_settings_record& record);
boot_settings_record erased_record();

template <std::size_t N>
void put_text(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}
void put_ip(std::uint8_t (&field)[4], std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
void put_portal(portal_entry* entry, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                std::uint16_t port);

// A fully configured record: static addressing, mutual CHAP, both portals,
// every reserved byte non-zero.
boot_settings_record configured_record();
// What the display prints for configured_record() and for an erased sector,
// written out line by line.
std::string configured_record_display();
std::string erased_record_display();
inline const char kRule[] = "______________________________________________________________________\n";

inline constexpr std::uint8_t kValidMagic[4] = {'K', 'I', 'B', 0};

// One adapter's folder: configuration space, VPD, flash and faults file.
struct adapter_contents {
    bytes config = bytes(256, 0);
    bytes vpd = bytes(8192, 0);
    bytes flash = erased_flash();
    std::string faults;  // the faults file, when not empty

    // A capability list of a power management entry at 0x40 and the VPD
    // capability at vpd_offset, last.
    void set_capabilities_ending_in_vpd(std::uint8_t vpd_offset = 0x48);
    // A capability entry at offset: ID and next pointer.
    void set_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next);
    // The list holds only the VPD capability, at offset.
    void set_only_vpd_capability(std::uint8_t offset);
    // The vendor and device ID of the configuration space's first dword.
    void set_config_ids(std::uint16_t vendor, std::uint16_t device);

    // VPD as hbaemu init makes it (0xC00-0xDFF in the standard layout with
    // its checksum, blank storage elsewhere), with this identifier string,
    // NA digits and vendor and device ID words at 0x194E and 0x1950.
    void set_vpd(const std::string& description, const std::string& na_digits, std::uint16_t vendor,
                 std::uint16_t device);
    void set_vpd_bytes(std::uint32_t address, const std::string& text);

    // An Option ROM start, as put_option_rom() lays it down.
    void set_option_rom(long dm_offset = 0x1A, std::uint8_t major = 2, std::uint8_t minor = 5,
                        std::uint16_t third = 12) {
        put_option_rom(&flash, dm_offset, major, minor, third);
    }

    // A boot settings record of a pattern at 0x30000 with the given first
    // four bytes.
    void set_settings(const std::uint8_t magic[4]);

    void write_to(const emulator_sandbox& box, const std::string& name) const;
};

// An adapter the list shows whole: its capability list ends in the VPD,
// which names it with these IDs, an Option ROM 2.7.15 and a valid record.
adapter_contents healthy_adapter(std::uint16_t vendor, std::uint16_t device);
