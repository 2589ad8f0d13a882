#include "emulator/emulator_trace.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Opened once per process in append mode, so that lines of several processes
// never overwrite each other; flushed per line, so a killed process loses
// nothing it issued.
std::FILE* trace_file() {
    static std::FILE* file = [] {
        const char* path = std::getenv("HBAEMU_TRACE");
        return (path != nullptr && *path != '\0') ? std::fopen(path, "a") : nullptr;
    }();
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

void trace_request(const std::string& folder_name, traced_request request, std::uint32_t offset,
                   std::uint32_t written, std::uint32_t value, std::uint32_t error) {
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
