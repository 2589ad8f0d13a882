#include "inventory/adapter_ids.h"

#include "inventory/pci_capability.h"
#include "inventory/vpd_access.h"

namespace {

// The vendor and device ID words lie at VPD 0x194E and 0x1950 (VPD high
// block offsets 0x94E and 0x950), little-endian: the upper half of the dword
// at 0x194C and the lower half of the dword at 0x1950.
constexpr std::uint32_t kVendorIdDword = 0x194C;
constexpr std::uint32_t kDeviceIdDword = 0x1950;

}  // namespace

int read_adapter_ids(std::uint8_t adapter, std::uint16_t* vendor_id, std::uint16_t* device_id) {
    *vendor_id = 0;
    *device_id = 0;
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
    *vendor_id = static_cast<std::uint16_t>(vendor_dword >> 16);
    *device_id = static_cast<std::uint16_t>(device_dword & 0xFFFF);
    return 0;
}
