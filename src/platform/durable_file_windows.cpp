// A new private file on Windows. It is made under a random temporary name no
// other run picks, beside the target, so that a run killed before the name
// was given leaves nothing a later backup trips over; MoveFileExW without
// MOVEFILE_REPLACE_EXISTING then names it in one step that fails when the
// name is taken. Its permissions are those the folder passes on, as for any
// file the operator creates there.
#include "platform/durable_file.h"

#include <windows.h>

#include <cstdio>
#include <random>

namespace {

// The system's text for an error number, on one line without its full stop.
std::string system_error_text(DWORD error) {
    char text[256] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, nullptr);
    if (length == 0) {
        length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                sizeof text, nullptr);
    }
    std::string result(text, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) {
        result.pop_back();
    }
    if (result.empty()) {
        char number[32];
        std::snprintf(number, sizeof number, "system error %lu", static_cast<unsigned long>(error));
        result = number;
    }
    return result;
}

int fail(DWORD error, std::string* reason) {
    *reason = system_error_text(error);
    return kFileFailed;
}

HANDLE handle_of(const new_durable_file& file) {
    return reinterpret_cast<HANDLE>(file.file);
}

void close_quietly(new_durable_file* file) {
    if (file->file != -1) {
        CloseHandle(handle_of(*file));
        file->file = -1;
    }
}

bool is_taken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

}  // namespace

int create_durable_file(const std::filesystem::path& target, std::size_t size, new_durable_file* file,
                        std::string* reason) {
    *file = new_durable_file{};
    std::random_device source;
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::filesystem::path temporary;
    for (;;) {
        wchar_t suffix[40];
        _snwprintf(suffix, sizeof suffix / sizeof suffix[0], L".partial-%08x%08x", static_cast<unsigned>(source()),
                   static_cast<unsigned>(source()));
        temporary = target;
        temporary += suffix;
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            break;
        }
        const DWORD error = GetLastError();
        if (!is_taken(error)) {
            return fail(error, reason);
        }
    }
    file->file = reinterpret_cast<std::intptr_t>(handle);
    file->temporary = temporary;
    // A disk without room for the backup is refused now, not after the read.
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle) ||
        !SetFilePointerEx(handle, start, nullptr, FILE_BEGIN)) {
        const DWORD error = GetLastError();
        discard_durable_file(file);
        return fail(error, reason);
    }
    return kFileOk;
}

int publish_durable_file(new_durable_file* file, const std::filesystem::path& target, const void* bytes,
                         std::size_t size, std::string* reason) {
    const auto* next = static_cast<const unsigned char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t left = size - done;
        const DWORD piece = left > 0x100000 ? 0x100000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(handle_of(*file), next + done, piece, &written, nullptr) || written == 0) {
            const DWORD error = written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
            discard_durable_file(file);
            return fail(error, reason);
        }
        done += written;
    }
    // On the disk before it has a name: a power loss after the name is
    // given must not leave an empty or partial file under it.
    if (!FlushFileBuffers(handle_of(*file))) {
        const DWORD error = GetLastError();
        discard_durable_file(file);
        return fail(error, reason);
    }
    close_quietly(file);
    if (!MoveFileExW(file->temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        discard_durable_file(file);
        return is_taken(error) ? kFileTargetExists : fail(error, reason);
    }
    file->temporary.clear();
    return kFileOk;
}

void discard_durable_file(new_durable_file* file) {
    close_quietly(file);
    if (!file->temporary.empty()) {
        DeleteFileW(file->temporary.c_str());
        file->temporary.clear();
    }
}
