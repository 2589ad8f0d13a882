// Reading a file named on the command line: one opening, its kind learnt
// before a byte is read, and never more than the caller's limit.
//
// Every command that reads a file says which kinds it takes. A backup is
// only read from a file on a disk; an image or a settings file may also come
// through a pipe (`<(curl ...)`) or be a device such as /dev/null. A kind
// that is not taken is refused without reading from it, and where the name
// can be looked at first, without opening it: opening a device can act on
// it, and opening a FIFO waits for a writer.
#pragma once

#include <cstddef>
#include <filesystem>

// The kinds of file a command takes, combined with |.
inline constexpr unsigned kTakesDiskFile = 1;  // a regular file
inline constexpr unsigned kTakesPipe = 2;      // a pipe or FIFO, read to its end
inline constexpr unsigned kTakesDevice = 4;    // a character device: /dev/null, NUL
inline constexpr unsigned kTakesAnyFile = kTakesDiskFile | kTakesPipe | kTakesDevice;

// What became of a read.
inline constexpr int kReadOk = 0;
inline constexpr int kReadNotOpened = 1;  // no such file, or no access
inline constexpr int kReadIsFolder = 2;   // a folder: no file to read
inline constexpr int kReadNotTaken = 3;   // a kind the command does not take
inline constexpr int kReadFailed = 4;     // the read itself failed

// Reads up to capacity bytes of the file at path into bytes, from one
// opening; *count is what was read, *more whether the file holds anything
// beyond (one byte past the limit is read to tell, never more). The path is
// in the platform's own form: bytes on POSIX systems, UTF-16 on Windows,
// where the ANSI code page would miss every name outside it.
int read_bounded_file(const std::filesystem::path& path, unsigned kinds, void* bytes, std::size_t capacity,
                      std::size_t* count, bool* more);
