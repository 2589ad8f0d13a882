#include "emulator/windows_driver/virtual_adapter_sessions.h"

#include "device/transport.h"
#include "emulator/model/adapter_session.h"
#include "emulator/transport/control_code_requests.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

struct virtual_adapter_handle {
    adapter_session session;
    // fail-after counts per device handle: the utility opens each adapter
    // once per run, so this is the emulator's count per process.
    std::uint64_t requests = 0;
};

namespace {

// The model works on narrow (ANSI code page) paths, as the C runtime's
// file functions take them.
std::string narrow(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') {
        return {};
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size) - 1);
    return result;
}

// The model's trace follows HBAEMU_TRACE of the process it runs in. The
// driver's host process does not share the application's environment and
// outlives every run, so the file named in the registry is set here, before
// each open, and reopened.
void point_trace_at(const std::string& trace_file) {
    const std::string assignment = "HBAEMU_TRACE=" + trace_file;
    _putenv(assignment.c_str());
    trace_restart();
}

// An unusable faults file is the emulator's error; the driver has no console
// of its own, so the lines go to its host's standard error.
void report_fault_problems(const std::string& problems) {
    std::size_t start = 0;
    while (start < problems.size()) {
        const std::size_t end = problems.find('\n', start);
        std::fprintf(stderr, "hbaemu: %s\n", problems.substr(start, end - start).c_str());
        start = end == std::string::npos ? problems.size() : end + 1;
    }
}

}  // namespace

virtual_adapter_handle* virtual_adapter_open(const wchar_t* folder, const wchar_t* trace_file, std::uint32_t* error) {
    point_trace_at(narrow(trace_file));
    const std::string path = narrow(folder);
    const std::string name = path.substr(path.find_last_of("\\/") + 1);
    auto* handle = new virtual_adapter_handle;
    std::string problems;
    *error = adapter_session_open(path, name, &handle->requests, &handle->session, &problems);
    report_fault_problems(problems);
    if (*error != 0) {
        delete handle;
        return nullptr;
    }
    return handle;
}

void virtual_adapter_close(virtual_adapter_handle* handle) {
    if (handle != nullptr) {
        adapter_session_close(&handle->session);
        delete handle;
        // Nothing of a finished run stays open in the host process.
        trace_restart();
    }
}

std::uint32_t virtual_adapter_request(virtual_adapter_handle* handle, std::uint32_t code, std::uint32_t offset,
                                      std::uint32_t written, std::uint32_t* value) {
    traced_request kind;
    if (!request_of_control_code(code, &kind)) {
        return 1;  // ERROR_INVALID_FUNCTION: not one of the driver's codes
    }
    return adapter_session_request(&handle->session, kind, offset, written, value);
}
