// The Option ROM in sectors 0 to 2 of the adapter's flash: its signature, its
// $DM$ header with the version, the display header lines and the erase.
#pragma once

#include "settings/boot_settings_record.h"

#include <cstddef>
#include <cstdint>

// Flash bytes 0 and 1 are 0x55 0xAA: read little-endian, 0xAA55.
inline constexpr std::uint16_t kOptionRomSignature = 0xAA55;

// When the first word of the flash cannot be read, nothing about the Option
// ROM can be said; every command that looks for one says so in these words.
inline constexpr const char* kRomStartUnreadableLine = "ERROR: Could not read data at start of Option ROM!\n";

// The bytes searched for the $DM$ header, from the start of the Option ROM.
inline constexpr std::uint32_t kDmHeaderSearchSize = 512;

#pragma pack(push, 1)
// The 16-byte $DM$ header, anywhere in the first 512 bytes of the Option ROM.
// The version reads major.minor.third.
struct dm_header {
    char signature[4];  // "$DM$"
    std::uint8_t minor;
    std::uint8_t major;
    std::uint16_t third;   // little-endian
    std::uint8_t rest[8];  // not interpreted
};
#pragma pack(pop)
static_assert(sizeof(dm_header) == 16);
static_assert(offsetof(dm_header, minor) == 4);
static_assert(offsetof(dm_header, major) == 5);
static_assert(offsetof(dm_header, third) == 6);

// Finds the Option ROM and copies its $DM$ header into *header (zeroed first).
// 0 found; -1 no signature (with a message), no $DM$ (without), or no
// header given; the flash read's code when the read fails.
int read_dm_header(std::uint8_t adapter, dm_header* header);

// read_dm_header in its two steps, for a caller that must tell a failed read
// from an Option ROM without a header (the read's code may be -1 too).
// The first kDmHeaderSearchSize bytes of the flash: 0, or the read's code
// after its "ERROR: " line.
int read_option_rom_start(std::uint8_t adapter, std::uint8_t* rom_start);
// Their $DM$ header into *header (left as it is when none): 0 found; -1 no
// signature (with its "ERROR: " line) or no header (without).
int take_dm_header(const std::uint8_t* rom_start, dm_header* header);

// Searches the first 512 bytes of an Option ROM; 0 and *header filled when
// found, 1 when not.
int find_dm_header(const std::uint8_t* rom_start, dm_header* header);

// The display command: header lines, then the settings when an Option ROM is
// present. 0 when it showed what the flash holds (no Option ROM and a
// version 1.0 record included), -1 when it could not read the start of the
// Option ROM or the settings of a present one.
int display_adapter(std::uint8_t adapter, settings_buffer* buffer);

// Erases sectors 0 to 2 whatever the image size: 0, or the erase's code.
int erase_option_rom(std::uint8_t adapter);
