#include "support/emulator_interposer.h"

#include "emulator/transport/control_code_requests.h"

#include <cstring>

namespace {

emulator_interposer* g_interposer = nullptr;
// Whether the last request was failed here rather than by the emulator,
// whose error number then does not apply.
thread_local bool t_failed_here = false;

struct register_access_record {
    std::uint32_t offset;
    std::uint32_t value;
};

bool interposed_device_control(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                               std::uint32_t out_size) {
    emulator_interposer& self = *g_interposer;
    ++self.requests;
    t_failed_here = false;
    interposed_kind kind;
    register_access_record record{};
    if (!request_of_control_code(code, &kind) || in_size < sizeof record) {
        return self.emulator()->device_control(handle, code, buffer, in_size, out_size);
    }
    std::memcpy(&record, buffer, sizeof record);
    const bool is_read = kind == interposed_kind::register_read || kind == interposed_kind::config_read;
    interposed_request request{handle, kind, record.offset, record.value};
    const interposer_action action = self.before ? self.before(request) : interposer_action::forward;
    if (action == interposer_action::fail) {
        t_failed_here = true;
        return false;
    }
    if (action == interposer_action::answer) {
        if (is_read) {
            record.value = request.value;
            std::memcpy(buffer, &record, sizeof record);
        }
        return true;
    }
    if (!is_read && request.value != record.value) {
        record.value = request.value;
        std::memcpy(buffer, &record, sizeof record);
    }
    const bool ok = self.emulator()->device_control(handle, code, buffer, in_size, out_size);
    if (self.after) {
        const std::uint32_t error = ok ? 0 : self.emulator()->last_error();
        if (ok && is_read) {
            std::memcpy(&record, buffer, sizeof record);
            request.value = record.value;
        }
        self.after(request, error);
        if (ok && is_read) {
            record.value = request.value;
            std::memcpy(buffer, &record, sizeof record);
        }
    }
    return ok;
}

std::uint32_t interposed_last_error() {
    return t_failed_here ? g_interposer->fail_error : g_interposer->emulator()->last_error();
}

void interposed_sleep_ms(std::uint32_t milliseconds) {
    g_interposer->sleeps.push_back(milliseconds);
    if (g_interposer->on_sleep) {
        g_interposer->on_sleep(milliseconds);
    }
    if (g_interposer->spend_sleeps()) {
        g_interposer->emulator()->sleep_ms(milliseconds);
    }
}

}  // namespace

emulator_interposer::emulator_interposer(bool spend_sleeps)
    : emulator_(platform_transport()), ops_(*emulator_), spend_sleeps_(spend_sleeps) {
    ops_.device_control = interposed_device_control;
    // Enumeration reads the error number of its own calls: a request failed
    // here before must not lend them its number.
    ops_.open_interface_list = [] {
        t_failed_here = false;
        return g_interposer->emulator()->open_interface_list();
    };
    ops_.enum_interface = [](interface_list list, std::uint32_t index, interface_record* record) {
        t_failed_here = false;
        return g_interposer->emulator()->enum_interface(list, index, record);
    };
    ops_.get_interface_detail = [](interface_list list, const interface_record* record, void* detail,
                                   std::uint32_t detail_size, std::uint32_t* required_size) {
        t_failed_here = false;
        return g_interposer->emulator()->get_interface_detail(list, record, detail, detail_size, required_size);
    };
    ops_.open_device = [](const void* detail) {
        t_failed_here = false;
        return g_interposer->emulator()->open_device(detail);
    };
    ops_.last_error = interposed_last_error;
    ops_.sleep_ms = interposed_sleep_ms;
    g_interposer = this;
    set_transport_for_testing(&ops_);
}

emulator_interposer::~emulator_interposer() {
    set_transport_for_testing(nullptr);
    g_interposer = nullptr;
}

void emulator_interposer::write_register(device_handle handle, std::uint32_t offset, std::uint32_t value) const {
    register_access_record record{offset, value};
    emulator_->device_control(handle, kIoctlRegisterWrite, &record, sizeof record, 0);
}
