// The adapter's serial flash controller: a data register holding up to four
// bytes and a control register that starts one transfer of 1 to 4 bytes and
// shows busy while it runs. A flash command is a run of transfers; the
// continue flag keeps the flash selected between them.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kFlashDataRegister = 0x6D8;
inline constexpr std::uint32_t kFlashControlRegister = 0x6DC;

// Result codes of the flash layer; callers test only zero against non-zero.
inline constexpr int kFlashOk = 0;
inline constexpr int kFlashBadArgument = -1;
inline constexpr int kFlashControllerBusy = -2;
inline constexpr int kFlashStillBusy = -3;
inline constexpr int kFlashReadIncomplete = 5;
inline constexpr int kFlashWriteIncomplete = 6;

// A transfer, and so every operation built from transfers, fails when any
// register request of it was refused by the driver: a refused read yields 0,
// which must not pass for "idle", "not busy" or data.

// Polls the control register up to 5 times, 10 ms apart: 0 idle, 6 timed out
// or the register could not be read.
int flash_wait_idle(std::uint8_t adapter);

// One read transfer of byte_count (1 to 4) bytes into *word: 0, -1, -2 or 5.
// *word is written only on success.
int flash_read_op(std::uint8_t adapter, std::uint32_t byte_count, std::uint32_t continue_flag, std::uint32_t* word);

// One write transfer of the low byte_count bytes of word: 0, -1, -2 or 6.
int flash_write_op(std::uint8_t adapter, std::uint32_t byte_count, std::uint32_t continue_flag, std::uint32_t word);
