// Whether flash (or an image) begins with an Option ROM: bytes 0 and 1 are
// 0x55 0xAA, the 16-bit little-endian value 0xAA55. Composed from the bytes
// so that the test does not depend on the host's byte order.
#pragma once

#include "optionrom/option_rom.h"

#include <cstdint>

inline bool has_option_rom_signature(const std::uint8_t* start) {
    const auto value = static_cast<std::uint16_t>(start[0] | (start[1] << 8));
    return value == kOptionRomSignature;
}
