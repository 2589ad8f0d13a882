// Whether an adapter's flash begins with an Option ROM, for the commands
// that mean nothing without one.
#pragma once

#include <cstdint>

// 0 when the flash begins with the Option ROM signature; -1 after one
// "ERROR: " line on standard error when it does not or cannot be read.
int require_option_rom(std::uint8_t adapter);
