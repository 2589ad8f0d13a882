// A new file that is private, on the disk and never half there under its
// name: what a backup of the flash is written into.
//
// A backup holds the boot settings record, CHAP secrets in clear, so it is
// owner-only from its creation. It is made in the target's folder before the
// flash is read (so that a folder it cannot go into is refused before the
// minute of reading, with the system's reason), written, flushed to the disk
// and only then given its name, in one step that never replaces a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

inline constexpr int kFileOk = 0;
inline constexpr int kFileFailed = -1;       // the reason says why
inline constexpr int kFileTargetExists = 1;  // a file appeared at the name meanwhile

// A file between its creation and its name.
struct new_durable_file {
    std::intptr_t file = -1;          // descriptor or handle of the file
    std::intptr_t folder = -1;        // POSIX: the target's folder, named through
    std::filesystem::path temporary;  // its temporary name, empty while it has none
};

// Creates an owner-only file with room for size bytes in the folder of
// target. kFileOk, or kFileFailed with the system's reason.
int create_durable_file(const std::filesystem::path& target, std::size_t size, new_durable_file* file,
                        std::string* reason);

// Writes size bytes into the file, flushes it to the disk, gives it the name
// target unless a file holds that name (kFileTargetExists, nothing named),
// and on POSIX flushes the folder. The file is closed whatever the outcome,
// and removed unless it was named. kFileOk, kFileTargetExists, or kFileFailed
// with the system's reason.
int publish_durable_file(new_durable_file* file, const std::filesystem::path& target, const void* bytes,
                         std::size_t size, std::string* reason);

// Closes and removes a file that will not be named.
void discard_durable_file(new_durable_file* file);
