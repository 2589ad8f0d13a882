#include "emulator/model/emulator_trace.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Kept open in append mode, so that lines of several processes never
// overwrite each other, and flushed per line, so a killed process loses
// nothing it issued. Reopened when HBAEMU_TRACE names another file.
std::string open_path;
std::FILE* file = nullptr;

// A backup or a restore issues a few hundred thousand requests; looking
// HBAEMU_TRACE up in the environment for each one was a good part of the
// emulator's time. It is looked up at the first request after an adapter
// was opened or the trace restarted, which is where an in-process caller (a
// test, the driver's host) points it elsewhere.
bool environment_read = false;

std::FILE* trace_file() {
    if (environment_read) {
        return file;
    }
    environment_read = true;
    const char* path = std::getenv("HBAEMU_TRACE");
    if (path == nullptr) {
        path = "";
    }
    if (open_path != path) {
        if (file != nullptr) {
            std::fclose(file);
        }
        // Binary mode: the lines end in LF on every platform, as on Linux.
        file = path[0] == '\0' ? nullptr : std::fopen(path, "ab");
        open_path = path;
    }
    return file;
}

const char* request_name(traced_request request) {
    switch (request) {
        case traced_request::register_read: return "regread";
        case traced_request::register_write: return "regwrite";
        case traced_request::config_read: return "cfgread";
        case traced_request::config_write: return "cfgwrite";
    }
    return "?";
}

}  // namespace

void trace_reread_environment() {
    environment_read = false;
}

void trace_restart() {
    if (file != nullptr) {
        std::fclose(file);
    }
    file = nullptr;
    open_path.clear();
    environment_read = false;
}

void trace_request(const std::string& folder_name, traced_request request, std::uint32_t offset, std::uint32_t written,
                   std::uint32_t value, std::uint32_t error) {
    std::FILE* file = trace_file();
    if (file == nullptr) {
        return;
    }
    const bool is_read = request == traced_request::register_read || request == traced_request::config_read;
    std::fprintf(file, "%s %s 0x%08x", folder_name.c_str(), request_name(request), static_cast<unsigned>(offset));
    if (!is_read) {
        std::fprintf(file, " 0x%08x", static_cast<unsigned>(written));
    }
    if (error != 0) {
        std::fprintf(file, " -> error %u\n", static_cast<unsigned>(error));
    } else if (is_read) {
        std::fprintf(file, " -> 0x%08x\n", static_cast<unsigned>(value));
    } else {
        std::fputc('\n', file);
    }
    std::fflush(file);
}
