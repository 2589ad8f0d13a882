// The command words. Each form matches as a prefix of argument 1: the short
// form over its 2 characters, the long form over its own length, so "-dx" is
// display and "--listing" is list.
#pragma once

#include <cstring>

struct command_word {
    const char* short_form;
    const char* long_form;
};

inline constexpr command_word kDisplayCommand = {"-d", "--display"};
inline constexpr command_word kConfigureCommand = {"-c", "--configure"};
inline constexpr command_word kUpdateCommand = {"-u", "--update"};
inline constexpr command_word kEraseCommand = {"-e", "--erase"};
inline constexpr command_word kExportCommand = {"-x", "--export"};
inline constexpr command_word kBackupCommand = {"-b", "--backup"};
inline constexpr command_word kRestoreCommand = {"-r", "--restore"};
inline constexpr command_word kVerifyCommand = {"-V", "--verify"};
inline constexpr command_word kListCommand = {"-l", "--list"};
inline constexpr command_word kVersionCommand = {"-v", "--version"};

// The word that lets a command go on where it would refuse (an erase, a
// restore, an image for another device): exact, so that a typo never forces.
inline bool is_force_word(const char* argument) {
    return std::strcmp(argument, "-f") == 0 || std::strcmp(argument, "--force") == 0;
}

// The regions an erase or a restore names.
inline constexpr const char* kRomTarget = "rom";
inline constexpr const char* kSettingsTarget = "settings";

inline bool is_command(const char* argument, const command_word& word) {
    return std::strncmp(argument, word.short_form, 2) == 0 ||
           std::strncmp(argument, word.long_form, std::strlen(word.long_form)) == 0;
}
