#include "emulator/contents/realistic_contents.h"
#include "emulator/model/pci_config_space.h"

namespace {

constexpr std::uint8_t kCapabilityPowerManagement = 0x01;
constexpr std::uint8_t kCapabilityMsi = 0x05;

void put16(std::vector<std::uint8_t>& c, std::uint32_t at, std::uint16_t v) {
    c[at] = static_cast<std::uint8_t>(v);
    c[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& c, std::uint32_t at, std::uint32_t v) {
    put16(c, at, static_cast<std::uint16_t>(v));
    put16(c, at + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

std::vector<std::uint8_t> build_realistic_config_space(const adapter_profile& p) {
    std::vector<std::uint8_t> c(kConfigSpaceSize, 0);
    put16(c, 0x00, p.vendor_id);
    put16(c, 0x02, p.device_id);
    put16(c, 0x04, 0x0006);                                                     // command: memory space, bus master
    put16(c, 0x06, 0x0010);                                                     // status: capability list
    c[0x08] = 0x01;                                                             // revision
    c[0x0B] = 0x02;                                                             // class: network controller, Ethernet
    c[0x0C] = 0x10;                                                             // cache line size
    put32(c, 0x10, 0xFE000000u + (static_cast<std::uint32_t>(p.index) << 20));  // BAR0, 32-bit memory
    put16(c, 0x2C, p.vendor_id);
    put16(c, 0x2E, p.subsystem_id);
    c[0x34] = 0x40;  // capabilities pointer
    c[0x3C] = 0x0B;  // interrupt line
    c[0x3D] = 0x01;  // INTA#

    // Power management at 0x40 (8 bytes): version 1.2, D0 now.
    c[0x40] = kCapabilityPowerManagement;
    put16(c, 0x42, 0x0003);
    const std::uint8_t vpd = p.vpd_capability_offset;
    if (vpd == 0x60) {
        // MSI at 0x50: 64-bit capable, disabled.
        c[0x41] = 0x50;
        c[0x50] = kCapabilityMsi;
        c[0x51] = vpd;
        put16(c, 0x52, 0x0080);
    } else {
        c[0x41] = vpd;
    }
    // VPD: ID, end of list; address, flag and data register start at 0.
    c[vpd] = kPciCapabilityIdVpd;
    c[vpd + 1] = 0x00;
    return c;
}
