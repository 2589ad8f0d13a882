#include "emulator/model/adapter_lock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

// The lock is taken on flash.bin itself, so that nothing but the adapter's
// own files is needed.
bool acquire_adapter_lock(const std::string& folder, adapter_lock* lock) {
#ifdef _WIN32
    HANDLE file = CreateFileA((folder + "/.lock").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    lock->native = reinterpret_cast<std::intptr_t>(file);
    return true;
#else
    const std::string path = folder + "/flash.bin";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // flock belongs to this open file description: a second open in the same
    // process is refused too, as share mode 0 refuses it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    lock->native = fd;
    return true;
#endif
}

void release_adapter_lock(adapter_lock* lock) {
    if (lock->native == -1) {
        return;
    }
#ifdef _WIN32
    CloseHandle(reinterpret_cast<HANDLE>(lock->native));
#else
    close(static_cast<int>(lock->native));
#endif
    lock->native = -1;
}
