// What tells one emulated adapter from another: the identity and contents
// that `hbaemu init` gives the adapter with a given index. Tests use the same
// profile to know what the utility should find.
#pragma once

#include "emulator/contents/option_rom_image.h"

#include <cstdint>
#include <string>

struct adapter_profile {
    int index = 0;
    std::string folder_name;  // sorts in index order: adapter00, adapter01, ...

    std::uint16_t vendor_id = 0;  // PCI configuration space and VPD 0x194E
    std::uint16_t device_id = 0;  // PCI configuration space and VPD 0x1950
    std::uint16_t subsystem_id = 0;

    option_rom_recipe rom;  // the Option ROM in flash from 0

    // VPD identifier string and keywords.
    std::string description;      // 16 characters, blank-padded
    std::string part_number;      // PN, 16 characters
    std::string serial_number;    // SL, 16 characters
    std::string network_address;  // NA, 12 hexadecimal digits

    // Boot settings record.
    std::uint16_t settings_version = 0x0200;
    std::string initiator_name;
    std::string target_name;
    std::uint8_t static_ip[4] = {};
    std::uint8_t static_mask[4] = {};
    std::uint8_t static_gateway[4] = {};
    std::uint8_t portal_ip[4] = {};
    std::uint16_t portal_port = 3260;

    // The capability list: power management, (MSI,) VPD.
    std::uint8_t vpd_capability_offset = 0;
};

inline constexpr int kMaxEmulatedAdapters = 20;

// The profile of the adapter with this index (0 to 19).
adapter_profile realistic_adapter_profile(int index);
