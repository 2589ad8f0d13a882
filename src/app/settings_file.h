// A settings file of the configure command: its lines are setting=value
// arguments, as if typed in its place on the command line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// One setting=value argument and where it came from: the file as typed and
// the line number, or no file for the command line.
struct setting_argument {
    std::string text;
    const char* file;  // null: the command line
    int line;
};

// Appends the file's arguments to arguments: every line without its line end
// (LF or CR LF), except empty lines and lines beginning with "#". 0, or -1
// after one "ERROR: " line (shown names the file as typed) when the file
// cannot be opened or read, is larger than 64 KiB or holds a NUL byte.
int read_settings_file(const std::filesystem::path& path, const char* shown, std::vector<setting_argument>* arguments);
