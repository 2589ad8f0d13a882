// Preloaded into the utility by the backup file tests, to act at the one
// moment no test can otherwise reach: when the finished backup is given its
// name. Every call that can give a file a name (link, linkat, rename,
// renameat, renameat2) whose new name ends in HBA_SHIM_NAME first does what
// HBA_SHIM_ACTION says:
//   appear  another program creates the file HBA_SHIM_PATH just now
//   kill    the process is killed (SIGKILL), the file written but unnamed
// With HBA_SHIM_NO_TMPFILE set, openat refuses O_TMPFILE as a file system
// without unnamed files does, so that the named temporary file is used.
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool names_the_target(const char* new_path) {
    const char* name = std::getenv("HBA_SHIM_NAME");
    if (name == nullptr || new_path == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(new_path);
    const std::size_t name_length = std::strlen(name);
    return length >= name_length && std::strcmp(new_path + length - name_length, name) == 0 &&
           (length == name_length || new_path[length - name_length - 1] == '/');
}

void act_before_naming(const char* new_path) {
    if (!names_the_target(new_path)) {
        return;
    }
    const char* action = std::getenv("HBA_SHIM_ACTION");
    if (action != nullptr && std::strcmp(action, "kill") == 0) {
        raise(SIGKILL);
    }
    if (action != nullptr && std::strcmp(action, "appear") == 0) {
        const int saved = errno;
        const int fd = open(std::getenv("HBA_SHIM_PATH"), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            const char text[] = "another program's file\n";
            (void)!write(fd, text, sizeof text - 1);
            close(fd);
        }
        errno = saved;
    }
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int openat(int dir, const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if ((flags & O_TMPFILE) == O_TMPFILE && std::getenv("HBA_SHIM_NO_TMPFILE") != nullptr) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return next<int (*)(int, const char*, int, ...)>("openat")(dir, path, flags, mode);
}

int link(const char* old_path, const char* new_path) noexcept {
    act_before_naming(new_path);
    return next<int (*)(const char*, const char*)>("link")(old_path, new_path);
}

int linkat(int old_dir, const char* old_path, int new_dir, const char* new_path, int flags) noexcept {
    act_before_naming(new_path);
    return next<int (*)(int, const char*, int, const char*, int)>("linkat")(old_dir, old_path, new_dir, new_path,
                                                                            flags);
}

int rename(const char* old_path, const char* new_path) noexcept {
    act_before_naming(new_path);
    return next<int (*)(const char*, const char*)>("rename")(old_path, new_path);
}

int renameat(int old_dir, const char* old_path, int new_dir, const char* new_path) noexcept {
    act_before_naming(new_path);
    return next<int (*)(int, const char*, int, const char*)>("renameat")(old_dir, old_path, new_dir, new_path);
}

int renameat2(int old_dir, const char* old_path, int new_dir, const char* new_path, unsigned flags) noexcept {
    act_before_naming(new_path);
    return next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(old_dir, old_path, new_dir,
                                                                                    new_path, flags);
}
}
