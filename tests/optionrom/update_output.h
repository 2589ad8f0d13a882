// What the update command prints around its progress line.
#pragma once

#include <cstddef>
#include <string>

// The console text before the first percentage.
inline std::string update_header(std::size_t size) {
    return "Erasing Option ROM from Adapter.. please wait\n"
           "Writing Option ROM file to Adapter... please wait\n"
           "Option ROM size: " +
           std::to_string(size) + " bytes\n";
}

inline const std::string kUpdateSucceeded = "\b\b\nOption ROM flashing operation succeeded.\n";
