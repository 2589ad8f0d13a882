// Reading a freshly written Option ROM image back from flash.
#pragma once

#include <cstdint>

enum class rom_readback {
    matches,     // flash holds the image byte for byte
    differs,     // *first_difference is the lowest offset that differs
    unreadable,  // the flash read failed (the flash layer has printed why)
};

// Compares flash from offset 0 with the size bytes of image. A page program
// can fail without the controller noticing (a write enable that did not
// latch, a protected block), and only reading the bytes back shows it.
rom_readback read_back_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size,
                                 std::uint32_t* first_difference);
