#include "app/output_capture.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>

// The C runtime's tmpfile makes its file in the root of the current drive,
// where a user without administrator rights may not write; the file goes
// into the user's temporary folder instead, deleted when its last handle
// closes.
int open_capture_file() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    wchar_t name[MAX_PATH];
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"hba", 0, name) == 0) {
        return -1;
    }
    const HANDLE file =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileW(name);
        return -1;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_RDWR | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(file);
    }
    return descriptor;
}
