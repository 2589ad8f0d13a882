#include "emulator/model/pci_config_space.h"

#include <cstring>

namespace {

constexpr std::uint32_t kCapabilitiesPointer = 0x34;
constexpr int kMaxCapabilities = 48;

bool covers(std::uint32_t offset, std::uint32_t byte) {
    return offset <= byte && byte < offset + 4;
}

// The VPD registers as they read now, placed into the live bytes.
void refresh_vpd_registers(pci_config_space* config) {
    const std::uint32_t c = config->vpd_offset;
    const std::uint16_t address = vpd_address_register(&config->vpd);
    config->bytes[c + 2] = static_cast<std::uint8_t>(address);
    config->bytes[c + 3] = static_cast<std::uint8_t>(address >> 8);
    const std::uint32_t data = config->vpd.data_register;
    for (std::uint32_t i = 0; i < 4; ++i) {
        config->bytes[c + 4 + i] = static_cast<std::uint8_t>(data >> (8 * i));
    }
}

}  // namespace

std::uint32_t find_capability(const std::uint8_t (&bytes)[kConfigSpaceSize], std::uint8_t id) {
    std::uint32_t pointer = bytes[kCapabilitiesPointer];
    for (int step = 0; step < kMaxCapabilities && pointer != 0; ++step) {
        // An entry needs its two header bytes inside the 256; the wanted one
        // also its register dwords (for VPD the data register at +4).
        if (pointer > kConfigSpaceSize - 2) {
            return 0;
        }
        if (bytes[pointer] == id) {
            return pointer <= kConfigSpaceSize - 8 ? pointer : 0;
        }
        pointer = bytes[pointer + 1];
    }
    return 0;
}

void config_power_on(pci_config_space* config, const std::uint8_t (&power_on)[kConfigSpaceSize],
                     persistent_storage* vpd_storage, std::uint32_t vpd_busy_reads, bool vpd_stuck) {
    std::memcpy(config->bytes, power_on, kConfigSpaceSize);
    config->vpd_offset = find_capability(power_on, kPciCapabilityIdVpd);
    config->has_vpd = config->vpd_offset != 0;
    vpd_attach(&config->vpd, vpd_storage, vpd_busy_reads, vpd_stuck);
    if (config->has_vpd) {
        // The registers come up as config.bin has them.
        const std::uint32_t c = config->vpd_offset;
        config->vpd.address_field = static_cast<std::uint16_t>((power_on[c + 2] | (power_on[c + 3] << 8)) & 0x7FFF);
        config->vpd.flag = (power_on[c + 3] & 0x80) != 0;
        for (std::uint32_t i = 0; i < 4; ++i) {
            config->vpd.data_register |= static_cast<std::uint32_t>(power_on[c + 4 + i]) << (8 * i);
        }
    }
}

bool config_read_dword(pci_config_space* config, std::uint32_t offset, std::uint32_t* value) {
    if (offset > kConfigLastDword) {
        return false;
    }
    if (config->has_vpd) {
        if (covers(offset, config->vpd_offset + 3)) {
            vpd_note_flag_read(&config->vpd);
        } else {
            vpd_settle(&config->vpd);
        }
        refresh_vpd_registers(config);
    }
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(config->bytes[offset + i]) << (8 * i);
    }
    *value = v;
    return true;
}

bool config_write_dword(pci_config_space* config, std::uint32_t offset, std::uint32_t value) {
    if (offset > kConfigLastDword) {
        return false;
    }
    const std::uint32_t c = config->vpd_offset;
    if (config->has_vpd && offset == c) {
        vpd_write_address(&config->vpd, value);
        refresh_vpd_registers(config);
        return true;
    }
    for (std::uint32_t i = 0; i < 4; ++i) {
        const std::uint32_t at = offset + i;
        // The capability's header and address register take only the whole
        // dword write above; a write that merely overlaps them leaves them.
        if (config->has_vpd && at >= c && at < c + 4) {
            continue;
        }
        config->bytes[at] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    if (config->has_vpd) {
        std::uint32_t data = 0;
        for (std::uint32_t i = 0; i < 4; ++i) {
            data |= static_cast<std::uint32_t>(config->bytes[c + 4 + i]) << (8 * i);
        }
        config->vpd.data_register = data;
    }
    return true;
}
