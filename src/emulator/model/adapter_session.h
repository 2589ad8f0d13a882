// One open of an emulated adapter, as a device handle holds it: the folder's
// faults read at open time, the exclusive lock, the hardware model, and the
// request-level faults (register-error, config-*-error, fail-after) and the
// trace applied around each of the four driver requests.
//
// Shared by every front of the model that serves driver requests: the
// emulator transport inside the utility, and the virtual adapter driver that
// the Windows build reaches under wine.
#pragma once

#include "emulator/model/adapter_lock.h"
#include "emulator/model/adapter_model.h"
#include "emulator/model/emulator_faults.h"
#include "emulator/model/emulator_trace.h"

#include <cstdint>
#include <string>

struct adapter_session {
    std::string folder_name;  // as the trace names the adapter
    adapter_model* model = nullptr;
    emulator_faults faults;
    adapter_lock lock;
    std::uint64_t* requests = nullptr;  // what fail-after counts, owned by the caller
};

// Reads the folder's faults (what cannot be used is described in *problems,
// a line each), then checks the adapter files, takes the exclusive lock and
// powers the model on. folder_name is the name the trace uses. requests is
// the counter fail-after runs on; the caller decides what it spans. 0 on
// success, else the Windows error number the open fails with (the session is
// then closed again).
std::uint32_t adapter_session_open(const std::string& folder, const std::string& folder_name, std::uint64_t* requests,
                                   adapter_session* session, std::string* problems);
void adapter_session_close(adapter_session* session);

// Serves one driver request: counts it, applies the request-level faults,
// hands it to the model and traces it. value is what a read returned.
// 0 on success, else the Windows error number the request fails with.
std::uint32_t adapter_session_request(adapter_session* session, traced_request kind, std::uint32_t offset,
                                      std::uint32_t written, std::uint32_t* value);
