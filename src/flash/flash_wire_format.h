// How the flash layer talks to the controller: the operation word that starts
// a transfer, and how a flash command with its address is laid out in the
// data register. Private to src/flash.
#pragma once

#include <cstdint>

// Bit 31 of the control register reads 1 while a transfer is running; no
// other bit of it means anything to us.
inline constexpr std::uint32_t kFlashControlBusy = 0x80000000u;

// Bit 0 of the status register: the flash is still programming or erasing.
inline constexpr std::uint32_t kFlashStatusWriteInProgress = 0x01u;

// The standard serial flash command bytes this layer uses.
inline constexpr std::uint8_t kFlashCommandFastRead = 0x0B;  // 3 address bytes, 1 dummy, data
inline constexpr std::uint8_t kFlashCommandWriteEnable = 0x06;
inline constexpr std::uint8_t kFlashCommandPageProgram = 0x02;  // 3 address bytes, 1-256 data
inline constexpr std::uint8_t kFlashCommandSectorErase = 0xD8;  // 3 address bytes, 64 KiB
inline constexpr std::uint8_t kFlashCommandReadStatus = 0x05;   // then the status byte

// The controller moves 1 to 4 bytes per transfer.
inline constexpr std::uint32_t kFlashMaxTransferBytes = 4;

// The word that starts one transfer: bit 0 direction (1 = write), bits 1-2
// the byte count minus 1, bit 3 keeps the flash selected afterwards. The
// caller has checked the count; the mask only keeps a stray value from
// setting bits the controller does not define.
constexpr std::uint32_t flash_operation_word(bool write, std::uint32_t byte_count, std::uint32_t continue_flag) {
    const std::uint32_t count_field = (byte_count - 1u) & 0x3u;
    const std::uint32_t continue_field = continue_flag != 0 ? 1u : 0u;
    return ((count_field | (continue_field << 2)) << 1) | (write ? 1u : 0u);
}

// A command byte followed by a 24-bit address, as one 4-byte write transfer.
// The data register's low byte goes on the wire first and the flash wants the
// address most significant byte first, so the word is the byte reversal of
// (command << 24 | address): command in bits 0-7, address bits 23-16 in
// bits 8-15, 15-8 in bits 16-23, 7-0 in bits 24-31.
constexpr std::uint32_t flash_command_word(std::uint8_t command, std::uint32_t address) {
    return static_cast<std::uint32_t>(command) | (((address >> 16) & 0xFFu) << 8) | (((address >> 8) & 0xFFu) << 16) |
           ((address & 0xFFu) << 24);
}

static_assert(flash_operation_word(false, 1, 0) == 0x00);
static_assert(flash_operation_word(false, 1, 1) == 0x08);
static_assert(flash_operation_word(false, 4, 1) == 0x0E);
static_assert(flash_operation_word(false, 4, 0) == 0x06);
static_assert(flash_operation_word(true, 1, 0) == 0x01);
static_assert(flash_operation_word(true, 1, 1) == 0x09);
static_assert(flash_operation_word(true, 4, 1) == 0x0F);
static_assert(flash_operation_word(true, 4, 0) == 0x07);
static_assert(flash_command_word(kFlashCommandFastRead, 0x030000) == 0x0000030B);
static_assert(flash_command_word(kFlashCommandPageProgram, 0x000100) == 0x00010002);
