// The files of a realistic emulated adapter, built from its profile.
#pragma once

#include "emulator/contents/adapter_profile.h"

#include <cstdint>
#include <vector>

// flash.bin: the Option ROM from 0, the boot settings record (444 bytes and
// the 4 bytes a save adds) at 0x30000, every other byte erased.
std::vector<std::uint8_t> build_realistic_flash(const adapter_profile& profile);

// The 448 bytes written at 0x30000.
std::vector<std::uint8_t> build_realistic_settings_record(const adapter_profile& profile);

// vpd.bin: the VPD structure at 0xC00 (identifier string, read-only item
// with its RV checksum, read-write item, end tag), the vendor and device ID
// words at 0x194E and 0x1950, blank (0xFF) storage elsewhere.
std::vector<std::uint8_t> build_realistic_vpd(const adapter_profile& profile);

// Where the VPD structure starts in the VPD storage, and the ID words.
inline constexpr std::uint32_t kVpdStructureAddress = 0xC00;
inline constexpr std::uint32_t kVpdVendorIdAddress = 0x194E;
inline constexpr std::uint32_t kVpdDeviceIdAddress = 0x1950;

// config.bin: a type 0 header with the IDs and a capability list that ends
// in the VPD capability.
std::vector<std::uint8_t> build_realistic_config_space(const adapter_profile& profile);
