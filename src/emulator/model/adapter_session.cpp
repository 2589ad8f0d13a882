#include "emulator/model/adapter_session.h"

#include "emulator/model/emulator_root.h"

namespace {

constexpr std::uint32_t kErrorInvalidData = 13;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

// The error the request meets before it reaches the hardware, or 0.
std::uint32_t request_fault(adapter_session* session, traced_request kind) {
    ++*session->requests;
    if (session->faults.fail_after_set && *session->requests > session->faults.fail_after) {
        return kErrorDeviceNotConnected;
    }
    switch (kind) {
        case traced_request::register_read:
        case traced_request::register_write: return session->faults.register_error;
        case traced_request::config_read: return session->faults.config_read_error;
        case traced_request::config_write: return session->faults.config_write_error;
    }
    return 0;
}

}  // namespace

std::uint32_t adapter_session_open(const std::string& folder, const std::string& folder_name, std::uint64_t* requests,
                                   adapter_session* session, std::string* problems) {
    trace_reread_environment();
    read_emulator_faults(folder + "/faults", false, &session->faults, problems);
    session->folder_name = folder_name;
    session->requests = requests;
    std::uint32_t error = session->faults.open_error;
    if (error == 0) {
        error = check_adapter_files(folder);
    }
    if (error == 0 && !acquire_adapter_lock(folder, &session->lock)) {
        error = kErrorSharingViolation;
    }
    if (error == 0) {
        session->model = adapter_model_open(folder, session->faults, &error);
        if (session->model == nullptr && error == 0) {
            error = kErrorInvalidData;
        }
    }
    if (error != 0) {
        adapter_session_close(session);
    }
    return error;
}

void adapter_session_close(adapter_session* session) {
    if (session->model != nullptr) {
        adapter_model_close(session->model);
        session->model = nullptr;
    }
    release_adapter_lock(&session->lock);
}

std::uint32_t adapter_session_request(adapter_session* session, traced_request kind, std::uint32_t offset,
                                      std::uint32_t written, std::uint32_t* value) {
    std::uint32_t error = request_fault(session, kind);
    *value = 0;
    if (error == 0) {
        switch (kind) {
            case traced_request::register_read: *value = adapter_model_reg_read(session->model, offset); break;
            case traced_request::register_write: adapter_model_reg_write(session->model, offset, written); break;
            case traced_request::config_read: adapter_model_config_read(session->model, offset, value, &error); break;
            case traced_request::config_write:
                adapter_model_config_write(session->model, offset, written, &error);
                break;
        }
    }
    trace_request(session->folder_name, kind, offset, written, *value, error);
    return error;
}
