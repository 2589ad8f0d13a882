// The adapter's serial flash controller: two 32-bit registers in front of the
// SPI NOR part.
//
//   0x6D8 data:    written, up to four bytes to send (first byte on the wire
//                  in bits 0-7); read, the bytes of the last read transfer in
//                  the same positions, unused high bytes 0.
//   0x6DC control: written, an operation word that starts one transfer
//                  (bit 0 write, bits 1-2 byte count - 1, bit 3 keep the chip
//                  selected afterwards); read, bit 31 busy.
//
// A transfer selects the flash if it is not selected and, without the
// continue bit, deselects it when it ends. While a transfer runs the control
// register reads busy and another operation word is ignored; the transfer's
// bytes reach the flash, and a read's bytes the data register, when it ends.
#pragma once

#include "emulator/model/spi_nor_flash.h"

#include <cstdint>

inline constexpr std::uint32_t kFlashDataRegister = 0x6D8;
inline constexpr std::uint32_t kFlashControlRegister = 0x6DC;
inline constexpr std::uint32_t kFlashControlBusy = 0x80000000u;

struct flash_controller_model {
    spi_nor_flash* flash = nullptr;
    std::uint32_t busy_reads_per_transfer = 0;  // how long a transfer runs, in control reads
    bool stuck_busy = false;                    // a hung controller: busy for ever, nothing runs

    std::uint32_t bytes_to_send = 0;   // data register as written
    std::uint32_t bytes_received = 0;  // data register as read

    bool transfer_running = false;
    std::uint32_t running_operation = 0;
    std::uint32_t running_bytes = 0;  // the data register as it was when the transfer started
    std::uint32_t busy_reads_left = 0;
};

void controller_attach(flash_controller_model* controller, spi_nor_flash* flash, std::uint32_t busy_reads_per_transfer,
                       bool stuck_busy);

std::uint32_t controller_read_register(flash_controller_model* controller, std::uint32_t offset);
void controller_write_register(flash_controller_model* controller, std::uint32_t offset, std::uint32_t value);

// The adapter is closed: a transfer still running finishes, as it would in
// real time. An open command stays open (the flash stays selected and so does
// not act on it).
void controller_power_down(flash_controller_model* controller);
