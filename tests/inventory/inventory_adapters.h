// Emulated adapters for the inventory tests: a configuration space with a
// capability list, VPD in the standard layout, and flash with an Option ROM
// and a boot settings record, each built byte by byte so a test can change
// exactly the part it is about.
#pragma once

#include "support/emulator_sandbox.h"

#include <cstdint>
#include <string>
#include <vector>

struct inventory_adapter {
    std::vector<std::uint8_t> config = std::vector<std::uint8_t>(256, 0);
    std::vector<std::uint8_t> vpd = std::vector<std::uint8_t>(8192, 0);
    std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(524288, 0xFF);
    std::string faults;  // the faults file, when not empty

    // A capability list of a power management entry at 0x40 and the VPD
    // capability at vpd_offset, last.
    void set_capabilities_ending_in_vpd(std::uint8_t vpd_offset = 0x48);
    // A capability entry at offset: ID and next pointer.
    void set_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next);

    // VPD 0xC00-0xDFF in the standard layout with its checksum, the
    // identifier string and NA digits given; vendor and device ID words at
    // 0x194E and 0x1950.
    void set_vpd(const std::string& description, const std::string& na_digits, std::uint16_t vendor,
                 std::uint16_t device);
    void set_vpd_bytes(std::uint32_t address, const std::string& bytes);

    // An Option ROM of 0x800 bytes with a $DM$ header at header_offset.
    void set_option_rom(std::uint8_t major, std::uint8_t minor, std::uint16_t third,
                        std::uint32_t header_offset = 0x1A);
    // An Option ROM signature without a $DM$ header.
    void set_option_rom_without_header();
    // A boot settings record at 0x30000 with the given first four bytes.
    void set_settings(const std::uint8_t magic[4]);

    void write_to(const emulator_sandbox& box, const std::string& name) const;
};

inline constexpr std::uint8_t kValidMagic[4] = {'K', 'I', 'B', 0};
