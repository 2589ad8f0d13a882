#include "app/output_capture.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr char kErrorMark[] = "ERROR: ";

void write_all(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = write(descriptor, text.data() + done, static_cast<unsigned>(text.size() - done));
        if (n <= 0) {
            return;  // standard error gone: nothing left to tell anyone
        }
        done += static_cast<std::size_t>(n);
    }
}

// The bytes written to the file since the last call. Both streams write
// through descriptors that share the file's position with this one, so the
// read must end where the writes go on: at the end.
std::string read_new_bytes(output_capture* capture) {
    std::string bytes;
    if (lseek(capture->file, capture->handed_on, SEEK_SET) < 0) {
        return bytes;
    }
    char chunk[4096];
    for (;;) {
        const auto n = read(capture->file, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    capture->handed_on += static_cast<long>(bytes.size());
    return bytes;
}

}  // namespace

void begin_output_capture(output_capture* capture) {
    std::fflush(stdout);
    std::fflush(stderr);
    // Unbuffered, so that both streams reach the file in the order written.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    capture->real_stdout = dup(1);
    capture->real_stderr = dup(2);
    capture->file = open_capture_file();
    dup2(capture->file >= 0 ? capture->file : 2, 1);
    if (capture->file >= 0) {
        dup2(capture->file, 2);
    }
}

void take_captured_output(output_capture* capture, std::vector<std::string>* errors) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (capture->file < 0) {
        return;
    }
    const std::string bytes = read_new_bytes(capture);
    std::string handed_on;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        // A line of standard output may have been left open ("CreateFile
        // failed: 0x5" waits for the next line there), so a line of
        // standard error can follow it in the file: it starts a line.
        const std::size_t mark = bytes.find(kErrorMark, start + 1);
        const bool split = mark != std::string::npos && mark < end;
        if (split) {
            end = mark;
        }
        const std::string line = bytes.substr(start, end - start);
        start = split ? end : end + 1;
        if (line.empty()) {
            continue;
        }
        handed_on += line + "\n";
        capture->last_line = line;
        if (line.compare(0, sizeof kErrorMark - 1, kErrorMark) == 0) {
            capture->last_error = line.substr(sizeof kErrorMark - 1);
            if (errors != nullptr) {
                errors->push_back(capture->last_error);
            }
        }
    }
    write_all(capture->real_stderr, handed_on);
}

void end_output_capture(output_capture* capture) {
    take_captured_output(capture, nullptr);
    dup2(capture->real_stdout, 1);
    dup2(capture->real_stderr, 2);
    close(capture->real_stdout);
    close(capture->real_stderr);
    if (capture->file >= 0) {
        close(capture->file);
    }
    capture->real_stdout = capture->real_stderr = capture->file = -1;
}

std::string capture_failure_text(const output_capture& capture) {
    if (!capture.last_error.empty()) {
        return capture.last_error;
    }
    if (!capture.last_line.empty()) {
        return capture.last_line;
    }
    return "failed without a message";
}
