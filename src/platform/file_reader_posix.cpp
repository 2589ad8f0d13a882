#include "platform/file_reader.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

unsigned kind_of(mode_t mode) {
    if (S_ISREG(mode)) {
        return kTakesDiskFile;
    }
    if (S_ISFIFO(mode)) {
        return kTakesPipe;
    }
    if (S_ISCHR(mode)) {
        return kTakesDevice;
    }
    return 0;  // a block device or a socket: nothing a command reads
}

int judge(mode_t mode, unsigned kinds) {
    if (S_ISDIR(mode)) {
        return kReadIsFolder;
    }
    return (kind_of(mode) & kinds) != 0 ? kReadOk : kReadNotTaken;
}

// Reads until capacity is full or the file ends; false when a read fails.
bool read_to_limit(int fd, unsigned char* bytes, std::size_t capacity, std::size_t* done) {
    while (*done < capacity) {
        const ssize_t n = read(fd, bytes + *done, capacity - *done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        *done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int read_bounded_file(const std::filesystem::path& path, unsigned kinds, void* bytes, std::size_t capacity,
                      std::size_t* count, bool* more) {
    *count = 0;
    *more = false;
    // Looked at before it is opened, so that a kind not taken is never
    // opened; checked again on what was opened, in case the name was given
    // to something else in between.
    struct stat before {};
    if (stat(path.c_str(), &before) != 0) {
        return kReadNotOpened;
    }
    if (const int judged = judge(before.st_mode, kinds); judged != kReadOk) {
        return judged;
    }
    // A FIFO taken is waited on like any reader waits (the operator's own
    // writer comes); one not taken must not block the open.
    const int blocking = S_ISFIFO(before.st_mode) ? 0 : O_NONBLOCK;
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | blocking);
    if (fd < 0) {
        return kReadNotOpened;
    }
    struct stat opened {};
    int result = fstat(fd, &opened) != 0 ? kReadFailed : judge(opened.st_mode, kinds);
    std::size_t done = 0;
    if (result == kReadOk && blocking != 0) {
        // Reads of a regular file or a device do not wait anyway; a FIFO
        // that took this name meanwhile was refused above.
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (result == kReadOk && !read_to_limit(fd, static_cast<unsigned char*>(bytes), capacity, &done)) {
        result = kReadFailed;
    }
    if (result == kReadOk && done == capacity) {
        unsigned char extra = 0;
        std::size_t got = 0;
        if (!read_to_limit(fd, &extra, 1, &got)) {
            result = kReadFailed;
        }
        *more = got > 0;
    }
    close(fd);
    *count = done;
    return result;
}
