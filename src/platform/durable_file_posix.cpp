// A new private file on POSIX systems. Where the kernel offers it (Linux,
// O_TMPFILE) the file has no name at all until linkat gives it one, so a run
// killed at any point leaves nothing behind; elsewhere it is made under a
// random name no other run picks, and linked to its name when complete.
// Either way the naming step fails when the name is taken: nothing is
// replaced, and no check can be overtaken by a file appearing after it.
#include "platform/durable_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kOwnerOnly = 0600;

int fail(int error, std::string* reason) {
    *reason = std::strerror(error);
    return kFileFailed;
}

std::filesystem::path folder_of(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

void close_quietly(std::intptr_t* descriptor) {
    if (*descriptor >= 0) {
        close(static_cast<int>(*descriptor));
        *descriptor = -1;
    }
}

// An unnamed file in the folder; -1 with errno when the system has none to
// offer (old kernel or file system) or refuses (the folder's reason).
int open_unnamed(int folder) {
#ifdef O_TMPFILE
    return openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kOwnerOnly);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

bool unnamed_files_unsupported(int error) {
    // EISDIR: a kernel that predates O_TMPFILE takes it for O_DIRECTORY.
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// A file under a random temporary name beside the target; a name that is
// taken (a file left by a run that was killed, say) is passed over.
int open_named(int folder, const std::filesystem::path& target, std::filesystem::path* temporary) {
    std::random_device source;
    for (;;) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".partial-%08x%08x", static_cast<unsigned>(source()),
                      static_cast<unsigned>(source()));
        *temporary = target.filename();
        *temporary += suffix;
        const int fd =
            openat(folder, temporary->c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, kOwnerOnly);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
}

bool write_all(int fd, const void* bytes, std::size_t size, int* error) {
    const auto* next = static_cast<const unsigned char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, next + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            *error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Names the unnamed file through /proc, which needs no privilege, or by its
// descriptor where /proc is missing.
int link_unnamed(int fd, int folder, const char* name) {
    char proc_path[64];
    std::snprintf(proc_path, sizeof proc_path, "/proc/self/fd/%d", fd);
    if (linkat(AT_FDCWD, proc_path, folder, name, AT_SYMLINK_FOLLOW) == 0) {
        return 0;
    }
#ifdef AT_EMPTY_PATH
    if (errno == ENOENT) {
        return linkat(fd, "", folder, name, AT_EMPTY_PATH);
    }
#endif
    return -1;
}

// Gives the temporary file its name without replacing one: a hard link, or
// where the file system has none, a rename that refuses to replace.
int link_named(int folder, const char* temporary, const char* name) {
    if (linkat(folder, temporary, folder, name, 0) == 0) {
        unlinkat(folder, temporary, 0);
        return 0;
    }
#ifdef RENAME_NOREPLACE
    if (errno != EEXIST && renameat2(folder, temporary, folder, name, RENAME_NOREPLACE) == 0) {
        return 0;
    }
#endif
    const int error = errno;
    unlinkat(folder, temporary, 0);
    errno = error;
    return -1;
}

}  // namespace

int create_durable_file(const std::filesystem::path& target, std::size_t size, new_durable_file* file,
                        std::string* reason) {
    *file = new_durable_file{};
    const int folder = open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return fail(errno, reason);
    }
    file->folder = folder;
    int fd = open_unnamed(folder);
    if (fd < 0 && unnamed_files_unsupported(errno)) {
        fd = open_named(folder, target, &file->temporary);
    }
    if (fd < 0) {
        const int error = errno;
        discard_durable_file(file);
        return fail(error, reason);
    }
    file->file = fd;
    // The mode given at creation is narrowed by the umask only; this is the
    // mode whatever the umask.
    if (fchmod(fd, kOwnerOnly) != 0) {
        const int error = errno;
        discard_durable_file(file);
        return fail(error, reason);
    }
    // A disk without room for the backup is refused now, not after the read.
    const int reserve = posix_fallocate(fd, 0, static_cast<off_t>(size));
    if (reserve == ENOSPC || reserve == EFBIG || reserve == EDQUOT) {
        discard_durable_file(file);
        return fail(reserve, reason);
    }
    return kFileOk;
}

int publish_durable_file(new_durable_file* file, const std::filesystem::path& target, const void* bytes,
                         std::size_t size, std::string* reason) {
    const int fd = static_cast<int>(file->file);
    const int folder = static_cast<int>(file->folder);
    int error = 0;
    // On the disk before it has a name: a power loss after the name is
    // given must not leave an empty or partial file under it.
    if (!write_all(fd, bytes, size, &error) || fsync(fd) != 0) {
        error = error != 0 ? error : errno;
        discard_durable_file(file);
        return fail(error, reason);
    }
    const std::string name = target.filename().string();
    const int linked = file->temporary.empty() ? link_unnamed(fd, folder, name.c_str())
                                               : link_named(folder, file->temporary.c_str(), name.c_str());
    if (linked != 0) {
        error = errno;
        file->temporary.clear();  // removed by link_named already
        discard_durable_file(file);
        return error == EEXIST ? kFileTargetExists : fail(error, reason);
    }
    file->temporary.clear();
    // The name itself is in the folder, which is flushed too. A file system
    // that cannot flush a folder (EINVAL) keeps its names by other means.
    if (fsync(folder) != 0 && errno != EINVAL) {
        error = errno;
        unlinkat(folder, name.c_str(), 0);
        discard_durable_file(file);
        return fail(error, reason);
    }
    close_quietly(&file->file);
    close_quietly(&file->folder);
    return kFileOk;
}

void discard_durable_file(new_durable_file* file) {
    if (!file->temporary.empty() && file->folder >= 0) {
        unlinkat(static_cast<int>(file->folder), file->temporary.c_str(), 0);
    }
    file->temporary.clear();
    close_quietly(&file->file);
    close_quietly(&file->folder);
}
