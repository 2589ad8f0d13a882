#include "pci/adapter_ids.h"

#include "device/driver_requests.h"
#include "pci/pci_capability.h"
#include "pci/vpd_access.h"

#include <cstdio>

namespace {

constexpr std::uint32_t kPciIdDword = 0x00;

// The vendor and device ID words lie at VPD 0x194E and 0x1950, little-endian:
// the upper half of the dword at 0x194C and the lower half of the dword at
// 0x1950; in the high block, which starts at VPD 0x1000, at 0x94E and 0x950.
constexpr std::uint32_t kVendorIdDword = 0x194C;
constexpr std::uint32_t kDeviceIdDword = 0x1950;
constexpr std::uint32_t kHighBlockStart = 0x1000;
constexpr std::uint32_t kVendorIdInHighBlock = kVendorIdDword + 2 - kHighBlockStart;
constexpr std::uint32_t kDeviceIdInHighBlock = kDeviceIdDword - kHighBlockStart;

std::uint16_t little_endian_word(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

int read_config_space_ids(std::uint8_t adapter, pci_ids* ids) {
    *ids = {0, 0};
    std::uint32_t id_dword = 0;
    if (!pci_config_read(adapter, kPciIdDword, &id_dword)) {
        return -1;
    }
    const auto vendor_id = static_cast<std::uint16_t>(id_dword);
    if (vendor_id == 0x0000 || vendor_id == 0xFFFF) {
        return -1;
    }
    *ids = {vendor_id, static_cast<std::uint16_t>(id_dword >> 16)};
    return 0;
}

int read_vpd_ids(std::uint8_t adapter, pci_ids* ids) {
    *ids = {0, 0};
    const std::uint8_t vpd_capability = locate_pci_capability(adapter, kPciCapabilityVpd);
    if (vpd_capability == 0) {
        return -1;
    }
    std::uint32_t vendor_dword = 0;
    std::uint32_t device_dword = 0;
    if (vpd_read_word(adapter, vpd_capability, kVendorIdDword, &vendor_dword) != kVpdWordRead ||
        vpd_read_word(adapter, vpd_capability, kDeviceIdDword, &device_dword) != kVpdWordRead) {
        return -1;
    }
    *ids = {static_cast<std::uint16_t>(vendor_dword >> 16), static_cast<std::uint16_t>(device_dword & 0xFFFF)};
    return 0;
}

pci_ids vpd_high_block_ids(const std::uint8_t* high_block) {
    return {little_endian_word(high_block + kVendorIdInHighBlock),
            little_endian_word(high_block + kDeviceIdInHighBlock)};
}

void say_ids_not_compared(const char* what) {
    std::printf("The Adapter's vendor and device IDs could not be read, they are not compared with the %s.\n", what);
}
