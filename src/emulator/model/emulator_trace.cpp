#include "emulator/model/emulator_trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The trace file, opened for appending: each line goes to the end of the
// file in one write, so that lines of several processes never overwrite each
// other, and before the request returns, so that a killed process loses
// nothing it issued. On POSIX systems straight through the file descriptor,
// which spares each line the stream's bookkeeping; elsewhere through a
// stream flushed per line.
#ifdef _WIN32
using trace_sink = std::FILE*;
constexpr trace_sink kNoSink = nullptr;

trace_sink open_sink(const char* path) {
    // Binary mode: the lines end in LF on every platform, as on Linux.
    return std::fopen(path, "ab");
}

void write_line(trace_sink sink, const char* line, std::size_t size) {
    std::fwrite(line, 1, size, sink);
    std::fflush(sink);
}

void close_sink(trace_sink sink) {
    std::fclose(sink);
}
#else
using trace_sink = int;
constexpr trace_sink kNoSink = -1;

trace_sink open_sink(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

void write_line(trace_sink sink, const char* line, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(sink, line, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // the trace is a debugging aid: a full disk does not fail the request
        }
        line += written;
        size -= static_cast<std::size_t>(written);
    }
}

void close_sink(trace_sink sink) {
    ::close(sink);
}
#endif

// Reopened when HBAEMU_TRACE names another file.
std::string open_path;
trace_sink file = kNoSink;

// A backup or a restore issues a few hundred thousand requests; looking
// HBAEMU_TRACE up in the environment for each one was a good part of the
// emulator's time. It is looked up at the first request after an adapter
// was opened or the trace restarted, which is where an in-process caller (a
// test, the driver's host) points it elsewhere.
bool environment_read = false;

trace_sink trace_file() {
    if (environment_read) {
        return file;
    }
    environment_read = true;
    const char* path = std::getenv("HBAEMU_TRACE");
    if (path == nullptr) {
        path = "";
    }
    if (open_path != path) {
        if (file != kNoSink) {
            close_sink(file);
        }
        file = path[0] == '\0' ? kNoSink : open_sink(path);
        open_path = path;
    }
    return file;
}

const char* request_name(traced_request request) {
    switch (request) {
        case traced_request::register_read: return " regread ";
        case traced_request::register_write: return " regwrite ";
        case traced_request::config_read: return " cfgread ";
        case traced_request::config_write: return " cfgwrite ";
    }
    return " ? ";
}

char* append_text(char* out, const char* text) {
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// "0x" and eight lower-case hex digits, as the trace writes every number but
// an error.
char* append_hex32(char* out, std::uint32_t value) {
    static const char kDigits[] = "0123456789abcdef";
    *out++ = '0';
    *out++ = 'x';
    for (int shift = 28; shift >= 0; shift -= 4) {
        *out++ = kDigits[(value >> shift) & 0xFu];
    }
    return out;
}

char* append_decimal(char* out, std::uint32_t value) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        *out++ = digits[--count];
    }
    return out;
}

}  // namespace

void trace_reread_environment() {
    environment_read = false;
}

void trace_restart() {
    if (file != kNoSink) {
        close_sink(file);
    }
    file = kNoSink;
    open_path.clear();
    environment_read = false;
}

void trace_request(const std::string& folder_name, traced_request request, std::uint32_t offset, std::uint32_t written,
                   std::uint32_t value, std::uint32_t error) {
    const trace_sink sink = trace_file();
    if (sink == kNoSink) {
        return;
    }
    // Everything after the folder name, at most " regwrite 0x........
    // 0x........ -> error 4294967295\n".
    char tail[64];
    char* end = append_text(tail, request_name(request));
    end = append_hex32(end, offset);
    const bool is_read = request == traced_request::register_read || request == traced_request::config_read;
    if (!is_read) {
        *end++ = ' ';
        end = append_hex32(end, written);
    }
    if (error != 0) {
        end = append_text(end, " -> error ");
        end = append_decimal(end, error);
    } else if (is_read) {
        end = append_text(end, " -> ");
        end = append_hex32(end, value);
    }
    *end++ = '\n';
    // The whole line in one write; the buffer keeps its room from line to line.
    static std::string line;
    line.assign(folder_name);
    line.append(tail, static_cast<std::size_t>(end - tail));
    write_line(sink, line.data(), line.size());
}
