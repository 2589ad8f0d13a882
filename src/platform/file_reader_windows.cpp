#include "platform/file_reader.h"

#include <windows.h>

namespace {

unsigned kind_of(HANDLE handle) {
    switch (GetFileType(handle)) {
        case FILE_TYPE_DISK: return kTakesDiskFile;
        case FILE_TYPE_PIPE: return kTakesPipe;
        case FILE_TYPE_CHAR: return kTakesDevice;  // NUL, CON, a serial port
        default: return 0;
    }
}

// Reads until capacity is full or the file ends; false when a read fails. A
// pipe whose writer has gone ends the file, as an end of file does.
bool read_to_limit(HANDLE handle, unsigned char* bytes, std::size_t capacity, std::size_t* done) {
    while (*done < capacity) {
        const std::size_t left = capacity - *done;
        const DWORD piece = left > 0x100000 ? 0x100000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(handle, bytes + *done, piece, &got, nullptr)) {
            return GetLastError() == ERROR_BROKEN_PIPE;
        }
        if (got == 0) {
            break;
        }
        *done += got;
    }
    return true;
}

}  // namespace

int read_bounded_file(const std::filesystem::path& path, unsigned kinds, void* bytes, std::size_t capacity,
                      std::size_t* count, bool* more) {
    *count = 0;
    *more = false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return kReadIsFolder;
    }
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return kReadNotOpened;
    }
    // Windows has no look at a name's kind before the open; opening NUL or
    // a pipe does nothing to it, and nothing is read from a kind not taken.
    int result = (kind_of(handle) & kinds) != 0 ? kReadOk : kReadNotTaken;
    std::size_t done = 0;
    if (result == kReadOk && !read_to_limit(handle, static_cast<unsigned char*>(bytes), capacity, &done)) {
        result = kReadFailed;
    }
    if (result == kReadOk && done == capacity) {
        unsigned char extra = 0;
        std::size_t got = 0;
        if (!read_to_limit(handle, &extra, 1, &got)) {
            result = kReadFailed;
        }
        *more = got > 0;
    }
    CloseHandle(handle);
    *count = done;
    return result;
}
