// A file named on the command line, in the platform's own form of a path.
#pragma once

#include <cstddef>
#include <filesystem>

// Argument index of argv as a path. On POSIX systems its bytes as given. On
// Windows the argument as the user typed it, in UTF-16: argv holds it
// converted to the ANSI code page, where a name such as C:\Users\Зоя\rom.bin
// becomes C:\Users\???\rom.bin under code page 1252 and can never be opened.
// skip: leading ASCII characters that are not part of the path ("@" of a
// settings file).
std::filesystem::path argument_path(int argc, char** argv, int index, std::size_t skip = 0);
