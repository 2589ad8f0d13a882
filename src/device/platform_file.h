// Opening a file named on the command line for reading as raw bytes.
#pragma once

#include <cstdio>
#include <filesystem>

// The path in the platform's own form: bytes on POSIX systems, UTF-16 on
// Windows, where fopen would take the ANSI code page and miss every name
// outside it.
inline std::FILE* open_file_for_reading(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}
