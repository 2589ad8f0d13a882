// The emulator's transport: adapters are folders under the emulator root,
// opened exclusively, and the four driver requests go to a hardware model of
// each adapter. The adapter session of the model applies the request-level
// faults and the trace, the model the hardware's own faults.
//
// The driver's sleep between polls sleeps, and a slow or stuck flash stays
// busy for real time, as the hardware does. HBAEMU_CLOCK=model puts the
// model's busy times on the model's own clock instead, which the sleeps move
// on without waiting (model_clock.h): for tests and scripts that want a slow
// flash's outcome without its wait.
#include "device/transport.h"
#include "emulator/model/adapter_session.h"
#include "emulator/model/emulator_faults.h"
#include "emulator/model/emulator_root.h"
#include "emulator/model/emulator_trace.h"
#include "emulator/model/model_clock.h"
#include "emulator/transport/control_code_requests.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

thread_local std::uint32_t t_last_error = 0;

bool fail(std::uint32_t error) {
    t_last_error = error;
    return false;
}

// What the emulator's detail record holds: the size field, then the device
// path as a zero-terminated byte string. The fixed part is sized as on 64-bit
// Windows.
constexpr std::uint32_t kDetailPathOffset = 4;
constexpr std::uint32_t kDetailFixedSize = 8;
constexpr std::uint32_t kInterfaceRecordSize = 32;
constexpr std::uint32_t kErrorInvalidUserBuffer = 1784;

struct emulated_interface_list {
    std::string root;
    std::vector<std::string> folders;
};

// fail-after counts the requests to an adapter over the whole process, across
// every handle that enumeration opens to it.
std::uint64_t* process_request_count(const std::string& folder) {
    static std::map<std::string, std::uint64_t> counts;
    return &counts[folder];
}

emulated_interface_list* to_list(interface_list list) {
    return reinterpret_cast<emulated_interface_list*>(list);
}

std::uint32_t record_index(const interface_record* record) {
    std::uint32_t index = 0;
    std::memcpy(&index, record->bytes + 4, sizeof index);
    return index;
}

// What a faults file held that the emulator could not use, a line each.
void report_fault_problems(const std::string& problems) {
    std::size_t start = 0;
    while (start < problems.size()) {
        const std::size_t end = problems.find('\n', start);
        const std::string line = problems.substr(start, end - start);
        std::fprintf(stderr, "hbaemu: %s\n", line.c_str());
        start = end == std::string::npos ? problems.size() : end + 1;
    }
}

emulator_faults folder_faults(const std::string& folder, std::string* problems) {
    emulator_faults faults;
    read_emulator_faults(folder + "/faults", false, &faults, problems);
    return faults;
}

// HBAEMU_CLOCK, read at the first enumeration, unless this process chose a
// clock itself (an in-process test). A value the emulator does not know
// keeps real time, the safe side for a caller that meant one.
void choose_clock_from_environment() {
    if (emulator_clock_chosen()) {
        return;
    }
    const char* name = std::getenv("HBAEMU_CLOCK");
    emulator_clock clock = emulator_clock::real;
    if (!emulator_clock_from_name(name, &clock)) {
        std::fprintf(stderr, "hbaemu: HBAEMU_CLOCK \"%s\" is neither real nor model; the flash keeps real time\n",
                     name);
    }
    emulator_clock_choose(clock);
}

interface_list emu_open_interface_list() {
    choose_clock_from_environment();
    auto* list = new emulated_interface_list;
    list->root = emulator_root();
    emulator_faults root_faults;
    std::string problems;
    read_emulator_faults(list->root + "/faults", true, &root_faults, &problems);
    report_fault_problems(problems);
    if (root_faults.class_error != 0) {
        delete list;
        t_last_error = root_faults.class_error;
        return kInvalidInterfaceList;
    }
    // Still an empty list, as for a missing root, but one the user is told
    // about: a root that is a file or cannot be read is a mistake.
    const std::string root_problem = emulator_root_problem(list->root);
    if (!root_problem.empty()) {
        std::fprintf(stderr, "hbaemu: %s\n", root_problem.c_str());
    }
    list->folders = list_adapter_folders(list->root);
    t_last_error = 0;
    return reinterpret_cast<interface_list>(list);
}

bool emu_enum_interface(interface_list list, std::uint32_t index, interface_record* record) {
    if (index >= to_list(list)->folders.size()) {
        return fail(kErrorNoMoreItems);
    }
    std::memcpy(record->bytes + 4, &index, sizeof index);
    t_last_error = 0;
    return true;
}

bool emu_get_interface_detail(interface_list list, const interface_record* record, void* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size) {
    const emulated_interface_list* l = to_list(list);
    const std::uint32_t index = record_index(record);
    if (index >= l->folders.size()) {
        return fail(kErrorInvalidParameter);
    }
    const std::string path = l->root + "/" + l->folders[index];
    const emulator_faults faults = folder_faults(path, nullptr);
    const auto needed = static_cast<std::uint32_t>(kDetailPathOffset + path.size() + 1);
    if (required_size != nullptr) {
        *required_size = needed;
    }
    if (detail == nullptr) {
        return fail(faults.detail_size_error != 0 ? faults.detail_size_error : kErrorInsufficientBuffer);
    }
    if (faults.detail_error != 0) {
        return fail(faults.detail_error);
    }
    std::uint32_t size_field = 0;
    std::memcpy(&size_field, detail, sizeof size_field);
    if (size_field != kDetailFixedSize) {
        return fail(kErrorInvalidUserBuffer);
    }
    if (detail_size < needed) {
        return fail(kErrorInsufficientBuffer);
    }
    std::memcpy(static_cast<char*>(detail) + kDetailPathOffset, path.c_str(), path.size() + 1);
    t_last_error = 0;
    return true;
}

void emu_close_interface_list(interface_list list) {
    delete to_list(list);
}

device_handle emu_open_device(const void* detail) {
    const std::string path(static_cast<const char*>(detail) + kDetailPathOffset);
    std::string problems;
    auto* session = new adapter_session;
    const std::uint32_t error = adapter_session_open(path, path.substr(path.find_last_of('/') + 1),
                                                     process_request_count(path), session, &problems);
    report_fault_problems(problems);
    if (error != 0) {
        delete session;
        t_last_error = error;
        return kInvalidHandle;
    }
    t_last_error = 0;
    return reinterpret_cast<device_handle>(session);
}

void emu_close_device(device_handle handle) {
    if (handle == kNoHandle || handle == kInvalidHandle) {
        return;
    }
    auto* session = reinterpret_cast<adapter_session*>(handle);
    adapter_session_close(session);
    delete session;
}

bool emu_device_control(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                        std::uint32_t out_size) {
    if (handle == kNoHandle || handle == kInvalidHandle) {
        return fail(kErrorInvalidHandle);
    }
    auto* session = reinterpret_cast<adapter_session*>(handle);
    std::uint32_t record[2] = {0, 0};
    const bool is_read = code == kIoctlRegisterRead || code == kIoctlConfigRead;
    if (in_size != sizeof record || (is_read && out_size < sizeof record)) {
        return fail(kErrorInvalidParameter);
    }
    std::memcpy(record, buffer, sizeof record);

    traced_request kind;
    if (!request_of_control_code(code, &kind)) {
        return fail(1);  // ERROR_INVALID_FUNCTION: not one of the driver's codes
    }

    std::uint32_t value = 0;
    const std::uint32_t error = adapter_session_request(session, kind, record[0], record[1], &value);
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

std::uint32_t emu_last_error() {
    return t_last_error;
}

void emu_sleep_ms(std::uint32_t milliseconds) {
    emulator_clock_sleep_ms(milliseconds);
}

const transport_ops kEmulatorTransport = {
    emu_open_interface_list,  emu_enum_interface, emu_get_interface_detail,
    emu_close_interface_list, emu_open_device,    emu_close_device,
    emu_device_control,       emu_last_error,     emu_sleep_ms,
    kInterfaceRecordSize,     kDetailFixedSize,
};

}  // namespace

const transport_ops* platform_transport() {
    return &kEmulatorTransport;
}
