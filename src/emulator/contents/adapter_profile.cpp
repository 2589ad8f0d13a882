#include "emulator/contents/adapter_profile.h"

#include <cstdio>

namespace {

std::string formatted(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// VPD text fields are fixed width and blank-padded.
std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

void set_ip(std::uint8_t (&ip)[4], int a, int b, int c, int d) {
    ip[0] = static_cast<std::uint8_t>(a);
    ip[1] = static_cast<std::uint8_t>(b);
    ip[2] = static_cast<std::uint8_t>(c);
    ip[3] = static_cast<std::uint8_t>(d);
}

}  // namespace

adapter_profile realistic_adapter_profile(int index) {
    adapter_profile p;
    p.index = index;
    p.folder_name = formatted("adapter%02d", index);
    // Every adapter has IDs of its own, so outputs tell them apart.
    p.vendor_id = static_cast<std::uint16_t>(0x1ABC + index);
    p.device_id = static_cast<std::uint16_t>(0x0B10 + index);
    p.subsystem_id = static_cast<std::uint16_t>(0x0100 + index);

    p.rom.size = 0xC000;
    p.rom.version.major = 2;
    p.rom.version.minor = static_cast<std::uint8_t>(5 + index % 3);
    p.rom.version.third = static_cast<std::uint16_t>(12 + index);
    p.rom.vendor_id = p.vendor_id;
    p.rom.device_id = p.device_id;

    p.description = padded("iSCSI Boot HBA", 16);
    p.part_number = padded("HBA-2P-ISCSI-10G", 16);
    p.serial_number = padded(formatted("SN26A%06d", 4711 + index), 16);
    p.network_address = formatted("0A1B2C3D4E%02X", 0x10 + 2 * index);

    p.initiator_name = formatted("iqn.2026-01.com.example:host%02d", index);
    p.target_name = formatted("iqn.2026-01.com.example:storage.boot%02d", index);
    set_ip(p.static_ip, 192, 168, 10, 100 + index);
    set_ip(p.static_mask, 255, 255, 255, 0);
    set_ip(p.static_gateway, 192, 168, 10, 1);
    set_ip(p.portal_ip, 192, 168, 10, 10);
    p.portal_port = 3260;

    // Even adapters list power management, MSI and VPD; odd ones power
    // management and VPD, so the walk is met at two depths.
    p.vpd_capability_offset = index % 2 == 0 ? 0x60 : 0x48;
    return p;
}
