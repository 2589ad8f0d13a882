// The adapter's PCI configuration space (256 bytes): the bytes of config.bin
// as they are at power-on, changed by configuration writes until the adapter
// is closed, and the VPD capability's registers where the capability list of
// config.bin puts it.
#pragma once

#include "emulator/model/vpd_capability_model.h"

#include <cstdint>

inline constexpr std::uint32_t kConfigSpaceSize = 256;
inline constexpr std::uint32_t kConfigLastDword = kConfigSpaceSize - 4;

struct pci_config_space {
    std::uint8_t bytes[kConfigSpaceSize] = {};
    bool has_vpd = false;
    std::uint32_t vpd_offset = 0;  // the capability's first byte
    vpd_capability_model vpd;
};

// Takes the power-on bytes and finds the VPD capability in their list.
void config_power_on(pci_config_space* config, const std::uint8_t (&power_on)[kConfigSpaceSize],
                     persistent_storage* vpd_storage, std::uint32_t vpd_busy_reads, bool vpd_stuck);

// Four bytes at any offset 0 to 252, little-endian. false beyond.
bool config_read_dword(pci_config_space* config, std::uint32_t offset, std::uint32_t* value);
bool config_write_dword(pci_config_space* config, std::uint32_t offset, std::uint32_t value);

// Where the first capability with the given ID sits in the list of a
// configuration space, or 0 when the list has none. The walk is bounded:
// 48 entries fill the 192 bytes after the header, so a longer walk is a loop.
std::uint32_t find_capability(const std::uint8_t (&bytes)[kConfigSpaceSize], std::uint8_t id);
