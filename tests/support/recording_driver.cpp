#include "support/recording_driver.h"

#include "device/adapter_table.h"
#include "device/transport.h"

#include <cstdio>
#include <cstring>
#include <ostream>

namespace {

recording_driver* g_driver = nullptr;
thread_local std::uint32_t t_last_error = 0;

constexpr std::uint32_t kConfigSpaceLastDword = 252;
constexpr std::uint32_t kVpdFlag = 0x80000000u;
constexpr std::uint32_t kVpdAddressMask = 0x1FFC;
constexpr std::uint32_t kVpdDataRegister = 4;

// The detail record: size field, then the adapter's index as its "path".
constexpr std::uint32_t kDetailFixedSize = 8;
constexpr std::uint32_t kDetailSize = 12;
constexpr std::uint32_t kInterfaceRecordSize = 32;
constexpr std::uint32_t kErrorInvalidUserBuffer = 1784;

bool fail(std::uint32_t error) {
    t_last_error = error;
    return false;
}

std::uint32_t config_dword(const fake_adapter& a, std::uint32_t offset) {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(a.config[offset + i]) << (8 * i);
    }
    return value;
}

void store_config_dword(fake_adapter& a, std::uint32_t offset, std::uint32_t value) {
    for (std::uint32_t i = 0; i < 4; ++i) {
        a.config[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

bool vpd_data_read_fails(const fake_adapter& a, std::uint32_t offset) {
    return a.vpd_capability != 0 && offset == a.vpd_capability + kVpdDataRegister &&
           a.failing_vpd_data_reads.count(a.vpd_reads_started) != 0;
}

// A read of the VPD address register while a VPD read is under way: either
// one more look at a clear flag, or the read completes and the data register
// takes the four bytes at the address.
void vpd_flag_read(fake_adapter& a) {
    const std::uint32_t at = a.vpd_capability;
    const bool stuck = a.vpd_stuck || (a.vpd_stuck_from_read != 0 && a.vpd_reads_started >= a.vpd_stuck_from_read);
    if (!stuck && a.vpd_pending_busy_reads == 0) {
        const std::uint32_t address = (config_dword(a, at) >> 16) & kVpdAddressMask;
        std::uint32_t data = 0;
        for (std::uint32_t i = 0; i < 4; ++i) {
            data |= static_cast<std::uint32_t>(a.vpd[address + i]) << (8 * i);
        }
        store_config_dword(a, at + kVpdDataRegister, data);
        store_config_dword(a, at, config_dword(a, at) | kVpdFlag);
        a.vpd_read_in_flight = false;
    } else if (a.vpd_pending_busy_reads > 0) {
        --a.vpd_pending_busy_reads;
    }
}

// A configuration write that the VPD capability takes; false for any other.
bool vpd_config_write(fake_adapter& a, std::uint32_t offset, std::uint32_t value) {
    if (a.vpd_capability == 0) {
        return false;
    }
    if (offset == a.vpd_capability) {
        store_config_dword(a, offset, (config_dword(a, offset) & 0xFFFF) | (value & 0xFFFF0000u));
        if ((value & kVpdFlag) == 0) {
            a.vpd_read_in_flight = true;
            a.vpd_pending_busy_reads = a.vpd_busy_reads;
            ++a.vpd_reads_started;
        }
        return true;
    }
    return offset == a.vpd_capability + kVpdDataRegister && a.vpd_data_register_keeps_zero;
}

// Carries out one request on adapter a; returns the error number or 0.
std::uint32_t serve(fake_adapter& a, recorded_kind kind, std::uint32_t offset, std::uint32_t written,
                    std::uint32_t* value) {
    ++a.request_count;
    if (a.fail_error != 0 && a.request_count > a.fail_after && (!a.fail_only_kind || a.fail_kind == kind)) {
        return a.fail_error;
    }
    switch (kind) {
        // Registers read 0 and take writes: flash behaviour is the
        // emulator's model's (tests/flash/flash_bench.h).
        case recorded_kind::register_read: *value = 0; return 0;
        case recorded_kind::register_write: return 0;
        case recorded_kind::config_read:
            if (a.config_read_hook && a.config_read_hook(offset, value)) {
                return 0;
            }
            if (!a.config_read_queue.empty()) {
                *value = a.config_read_queue.front();
                a.config_read_queue.pop_front();
                return 0;
            }
            if (offset > kConfigSpaceLastDword) {
                return kErrorInvalidParameter;
            }
            if (a.failing_config_reads.count(offset) != 0 || vpd_data_read_fails(a, offset)) {
                return kErrorGenFailure;
            }
            if (a.vpd_capability != 0 && offset == a.vpd_capability && a.vpd_read_in_flight) {
                vpd_flag_read(a);
            }
            *value = config_dword(a, offset);
            return 0;
        case recorded_kind::config_write:
            if (a.config_write_hook && a.config_write_hook(offset, written)) {
                return 0;
            }
            if (offset > kConfigSpaceLastDword) {
                return kErrorInvalidParameter;
            }
            if (!vpd_config_write(a, offset, written)) {
                store_config_dword(a, offset, written);
            }
            return 0;
        case recorded_kind::sleep: return 0;
    }
    return 0;
}

interface_list fake_open_interface_list() {
    t_last_error = 0;
    return 1;
}

bool fake_enum_interface(interface_list, std::uint32_t index, interface_record* record) {
    if (index >= static_cast<std::uint32_t>(g_driver->adapter_count())) {
        return fail(kErrorNoMoreItems);
    }
    std::memcpy(record->bytes + 4, &index, sizeof index);
    t_last_error = 0;
    return true;
}

bool fake_get_interface_detail(interface_list, const interface_record* record, void* detail, std::uint32_t detail_size,
                               std::uint32_t* required_size) {
    if (required_size != nullptr) {
        *required_size = kDetailSize;
    }
    if (detail == nullptr) {
        return fail(kErrorInsufficientBuffer);
    }
    std::uint32_t size_field = 0;
    std::memcpy(&size_field, detail, sizeof size_field);
    if (size_field != kDetailFixedSize) {
        return fail(kErrorInvalidUserBuffer);
    }
    if (detail_size < kDetailSize) {
        return fail(kErrorInsufficientBuffer);
    }
    std::memcpy(static_cast<char*>(detail) + 4, record->bytes + 4, 4);
    t_last_error = 0;
    return true;
}

void fake_close_interface_list(interface_list) {}

device_handle fake_open_device(const void* detail) {
    std::uint32_t index = 0;
    std::memcpy(&index, static_cast<const char*>(detail) + 4, sizeof index);
    const std::uint32_t error = g_driver->adapter(static_cast<int>(index)).open_error;
    if (error != 0) {
        t_last_error = error;
        return kInvalidHandle;
    }
    t_last_error = 0;
    return static_cast<device_handle>(index) + 1;
}

void fake_close_device(device_handle) {}

bool fake_device_control(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                         std::uint32_t out_size) {
    if (handle == kNoHandle || handle == kInvalidHandle || handle > g_driver->adapter_count()) {
        return fail(kErrorInvalidHandle);
    }
    const int index = static_cast<int>(handle - 1);
    recorded_kind kind;
    switch (code) {
        case kIoctlRegisterRead: kind = recorded_kind::register_read; break;
        case kIoctlRegisterWrite: kind = recorded_kind::register_write; break;
        case kIoctlConfigRead: kind = recorded_kind::config_read; break;
        case kIoctlConfigWrite: kind = recorded_kind::config_write; break;
        default: return fail(1);
    }
    const bool is_read = kind == recorded_kind::register_read || kind == recorded_kind::config_read;
    std::uint32_t record[2] = {0, 0};
    if (in_size != sizeof record || (is_read && out_size < sizeof record)) {
        return fail(kErrorInvalidParameter);
    }
    std::memcpy(record, buffer, sizeof record);
    std::uint32_t value = 0;
    const std::uint32_t error = serve(g_driver->adapter(index), kind, record[0], record[1], &value);
    g_driver->requests.push_back({kind, index, record[0], is_read ? value : record[1], error});
    if (error != 0) {
        return fail(error);
    }
    if (is_read) {
        record[1] = value;
        std::memcpy(buffer, record, sizeof record);
    }
    t_last_error = 0;
    return true;
}

std::uint32_t fake_last_error() {
    return t_last_error;
}

void fake_sleep_ms(std::uint32_t milliseconds) {
    g_driver->requests.push_back({recorded_kind::sleep, -1, milliseconds, 0, 0});
}

const transport_ops kRecordingTransport = {
    fake_open_interface_list,  fake_enum_interface, fake_get_interface_detail,
    fake_close_interface_list, fake_open_device,    fake_close_device,
    fake_device_control,       fake_last_error,     fake_sleep_ms,
    kInterfaceRecordSize,      kDetailFixedSize,
};

}  // namespace

void fake_adapter::add_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next) {
    config[offset] = id;
    config[offset + 1u] = next;
}

recording_driver::recording_driver(int adapter_count) : adapters_(static_cast<std::size_t>(adapter_count)) {
    // Handles opened through another transport belong to it: close them
    // before the fake takes over.
    close_adapter_handles();
    g_driver = this;
    set_transport_for_testing(&kRecordingTransport);
}

recording_driver::~recording_driver() {
    close_adapter_handles();
    set_transport_for_testing(nullptr);
    g_driver = nullptr;
}

int recording_driver::open_adapters() {
    const int found = enumerate_adapters();
    clear_log();
    return found;
}
