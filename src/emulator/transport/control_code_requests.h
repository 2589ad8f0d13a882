// The adapter model's request for each of the driver's four control codes,
// shared by everything that serves those codes from the model: the emulator
// transport and the virtual adapter driver.
#pragma once

#include "device/transport.h"
#include "emulator/model/emulator_trace.h"

#include <cstdint>

// false for any other code.
inline bool request_of_control_code(std::uint32_t code, traced_request* kind) {
    switch (code) {
        case kIoctlRegisterRead: *kind = traced_request::register_read; return true;
        case kIoctlRegisterWrite: *kind = traced_request::register_write; return true;
        case kIoctlConfigRead: *kind = traced_request::config_read; return true;
        case kIoctlConfigWrite: *kind = traced_request::config_write; return true;
        default: return false;
    }
}
