#include "fake_pci_device.h"

#include "device/transport.h"

#include <cstring>

namespace {

fake_pci_device* g_device = nullptr;
std::uint32_t g_last_error = 0;

constexpr std::uint32_t kFlag = 0x80000000u;

struct register_access_record {
    std::uint32_t offset;
    std::uint32_t value;
};

bool fake_device_control(device_handle, std::uint32_t code, void* buffer, std::uint32_t, std::uint32_t) {
    register_access_record record{};
    std::memcpy(&record, buffer, sizeof record);
    if (code == kIoctlConfigRead) {
        if (!g_device->config_read(record.offset, &record.value)) {
            g_last_error = kErrorGenFailure;
            return false;
        }
        std::memcpy(buffer, &record, sizeof record);
        return true;
    }
    if (code == kIoctlConfigWrite) {
        g_device->config_write(record.offset, record.value);
        return true;
    }
    g_last_error = kErrorInvalidParameter;
    return false;
}

interface_list no_interfaces() {
    return kInvalidInterfaceList;
}
bool no_interface(interface_list, std::uint32_t, interface_record*) {
    g_last_error = kErrorNoMoreItems;
    return false;
}
bool no_detail(interface_list, const interface_record*, void*, std::uint32_t, std::uint32_t*) {
    return false;
}
void close_nothing(interface_list) {}
device_handle open_nothing(const void*) {
    return kInvalidHandle;
}
void close_no_device(device_handle) {}
std::uint32_t fake_last_error() {
    return g_last_error;
}
void no_sleep(std::uint32_t) {}

const transport_ops kFakeTransport = {
    no_interfaces, no_interface, no_detail, close_nothing, open_nothing, close_no_device,
    fake_device_control, fake_last_error, no_sleep, 32, 8,
};

}  // namespace

config_request config_read_of(std::uint32_t offset, std::uint32_t value) {
    return {false, offset, value, true};
}
config_request config_read_failed(std::uint32_t offset) {
    return {false, offset, 0, false};
}
config_request config_write_of(std::uint32_t offset, std::uint32_t value) {
    return {true, offset, value, true};
}

fake_pci_device::fake_pci_device() {
    g_device = this;
    set_transport_for_testing(&kFakeTransport);
}

fake_pci_device::~fake_pci_device() {
    set_transport_for_testing(nullptr);
    g_device = nullptr;
}

void fake_pci_device::set_config_dword(std::uint32_t offset, std::uint32_t value) {
    store_dword(offset, value);
}

void fake_pci_device::add_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next) {
    config[offset] = id;
    config[offset + 1u] = next;
}

std::uint32_t fake_pci_device::dword_at(std::uint32_t offset) const {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(config[offset + i]) << (8 * i);
    }
    return value;
}

void fake_pci_device::store_dword(std::uint32_t offset, std::uint32_t value) {
    for (std::uint32_t i = 0; i < 4; ++i) {
        config[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool fake_pci_device::config_read(std::uint32_t offset, std::uint32_t* value) {
    const bool data_read_fails = vpd_capability != 0 && offset == vpd_capability + 4u &&
                                 failing_data_reads.count(vpd_reads_started) != 0;
    if (offset > 252 || failing_reads.count(offset) != 0 || data_read_fails) {
        log.push_back(config_read_failed(offset));
        return false;
    }
    if (vpd_capability != 0 && offset == vpd_capability && vpd_read_in_flight_) {
        const bool stuck = vpd_stuck || (stuck_from_read != 0 && vpd_reads_started >= stuck_from_read);
        if (!stuck && pending_busy_reads_ == 0) {
            // The read completes: the data register takes the four bytes at
            // the address, the flag goes to 1.
            const std::uint32_t address = (dword_at(offset) >> 16) & 0x1FFC;
            std::uint32_t data = 0;
            for (std::uint32_t i = 0; i < 4; ++i) {
                data |= static_cast<std::uint32_t>(vpd[address + i]) << (8 * i);
            }
            store_dword(offset + 4, data);
            store_dword(offset, dword_at(offset) | kFlag);
            vpd_read_in_flight_ = false;
        } else if (pending_busy_reads_ > 0) {
            --pending_busy_reads_;
        }
    }
    *value = dword_at(offset);
    log.push_back(config_read_of(offset, *value));
    return true;
}

void fake_pci_device::config_write(std::uint32_t offset, std::uint32_t value) {
    log.push_back(config_write_of(offset, value));
    if (offset > 252) {
        return;
    }
    if (vpd_capability != 0 && offset == vpd_capability) {
        // ID and next pointer are read-only; the address and flag are not.
        store_dword(offset, (dword_at(offset) & 0xFFFF) | (value & 0xFFFF0000u));
        if ((value & kFlag) == 0) {
            vpd_read_in_flight_ = true;
            pending_busy_reads_ = busy_reads;
            ++vpd_reads_started;
        }
        return;
    }
    if (vpd_capability != 0 && offset == vpd_capability + 4u && data_register_keeps_zero) {
        return;
    }
    store_dword(offset, value);
}
