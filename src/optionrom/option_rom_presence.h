// Whether an adapter's flash begins with an Option ROM, for the commands
// that mean nothing without one.
#pragma once

#include <cstdint>

// Reads the first word of the flash: 0 and *present whether it begins with
// the Option ROM signature, or -1 after the line that it could not be read.
int read_option_rom_presence(std::uint8_t adapter, bool* present);

// 0 when the flash begins with the Option ROM signature; -1 after one
// "ERROR: " line on standard error when it does not or cannot be read.
int require_option_rom(std::uint8_t adapter);
