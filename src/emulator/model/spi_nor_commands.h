// The command set of the emulated SPI NOR part, as a table: one entry per
// opcode with the bytes that follow it and what the part does with them.
#pragma once

#include "emulator/model/spi_nor_flash.h"

#include <cstdint>

struct nor_command {
    std::uint8_t opcode;
    std::uint8_t address_bytes;  // most significant first
    std::uint8_t dummy_bytes;    // clocked through before data comes out
    bool needs_write_enable;     // ignored unless the latch is set
    // Each byte after the address and dummy bytes: takes the byte clocked in
    // and returns the byte clocked out. null: the part drives 0xFF.
    std::uint8_t (*data_byte)(spi_nor_flash* flash, std::uint8_t in);
    // On deselect. null: nothing happens.
    void (*on_deselect)(spi_nor_flash* flash);
};

// The entry for opcode, or null for a command the part does not know.
const nor_command* find_nor_command(std::uint8_t opcode);

inline constexpr std::uint8_t kNorReadStatus = 0x05;
