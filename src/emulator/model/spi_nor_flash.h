// A 512 KiB SPI NOR flash part, seen from its pins: chip select, and one byte
// in and one byte out per eight clocks. It keeps its cells in a
// persistent_storage; everything else (write enable latch, the busy time of
// a program or erase, the command being clocked in) is volatile.
//
// Like real parts, it decodes a command from the bytes clocked in after it
// was selected and carries the command out when it is deselected (program,
// erase, write enable), or streams data while selected (reads, status, ID).
#pragma once

#include "emulator/model/persistent_storage.h"

#include <chrono>
#include <cstdint>

inline constexpr std::uint32_t kNorSize = 0x80000;
inline constexpr std::uint32_t kNorPageSize = 256;
inline constexpr std::uint32_t kNorSectorSize = 0x10000;

// Status register bits.
inline constexpr std::uint8_t kNorStatusWip = 0x01;  // program or erase in progress
inline constexpr std::uint8_t kNorStatusWel = 0x02;  // write enable latch

// What the part answers to 0x9F: manufacturer, memory type, capacity
// (2^0x13 = 512 KiB).
inline constexpr std::uint8_t kNorJedecId[3] = {0xC2, 0x20, 0x13};

// How long a program or an erase keeps the part busy. Both bounds must have
// passed before write-in-progress clears: the number of status reads that
// still show it, and the time, on the emulator's clock (model_clock.h).
struct nor_busy_timing {
    std::uint32_t program_status_reads = 0;
    std::uint32_t erase_status_reads = 0;
    std::uint32_t program_time_us = 0;
    std::uint32_t erase_time_ms = 0;
    bool never_ready = false;  // the part hangs busy after any program or erase
};

struct nor_command;

struct spi_nor_flash {
    persistent_storage* cells = nullptr;
    nor_busy_timing timing;

    bool selected = false;
    bool write_enable_latch = false;

    // Write in progress: set by a program or erase, cleared once the status
    // reads and the time it takes have passed.
    bool write_in_progress = false;
    std::uint32_t busy_status_reads_left = 0;
    std::chrono::microseconds busy_until{};  // on the emulator's clock

    // The command clocked in since chip select went low. command is null
    // before the opcode byte and for a command the part ignores.
    bool opcode_seen = false;
    const nor_command* command = nullptr;
    std::uint32_t address = 0;
    std::uint32_t address_bytes_seen = 0;
    std::uint32_t dummy_bytes_seen = 0;
    std::uint32_t data_bytes_seen = 0;

    // Page program: the bytes clocked in, by column of the page, and which
    // columns were written. Bytes beyond 256 wrap to the page's start and
    // replace what was clocked in there.
    std::uint8_t page_buffer[kNorPageSize] = {};
    bool page_column_loaded[kNorPageSize] = {};
};

void nor_attach(spi_nor_flash* flash, persistent_storage* cells, const nor_busy_timing& timing);

void nor_select(spi_nor_flash* flash);
// One byte clocked in while selected; returns the byte clocked out.
std::uint8_t nor_exchange(spi_nor_flash* flash, std::uint8_t in);
// Chip select goes high: a program, erase or write enable takes effect now.
void nor_deselect(spi_nor_flash* flash);

// The status register as a 0x05 command reads it. Counts as one status read
// towards the end of a program or erase.
std::uint8_t nor_read_status(spi_nor_flash* flash);
// Write in progress, without counting a status read.
bool nor_busy(spi_nor_flash* flash);
// Starts the busy time of a finished program or erase.
void nor_start_busy(spi_nor_flash* flash, std::uint32_t status_reads, std::chrono::microseconds time);
