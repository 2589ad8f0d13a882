// The commands of hbaemu, the emulator's command-line companion. Each
// command file defines one entry: its name, its synopsis, a one-line summary, its help
// text and the function that runs it with the words after the command name.
#pragma once

#include <string>
#include <vector>

using hbaemu_arguments = std::vector<std::string>;

struct hbaemu_command {
    const char* name;
    const char* synopsis;
    const char* summary;
    const char* help;
    int (*run)(const hbaemu_arguments& arguments);
};

// Exit statuses of hbaemu.
inline constexpr int kHbaemuOk = 0;
inline constexpr int kHbaemuFailed = 1;
inline constexpr int kHbaemuUsage = 2;

extern const hbaemu_command kInitCommand;
extern const hbaemu_command kMakeRomCommand;
extern const hbaemu_command kShowCommand;
extern const hbaemu_command kListCommand;
extern const hbaemu_command kFaultCommand;

// Shared by the commands: a complaint on standard error with a pointer to
// the command's help, and the usage status.
int usage_error(const hbaemu_command& command, const std::string& problem);

// A whole number in decimal or 0x hexadecimal, with an optional K (x 1024).
bool parse_size_argument(const std::string& text, unsigned long* value);

// The adapter folder (path) with this index in enumeration order, or an
// empty string after printing why not.
std::string adapter_folder_by_index(const std::string& root, const std::string& index_text);
