// The flash operations: read, page program and sector erase, built from
// controller transfers and the standard SPI NOR command set, and on those
// three the operations on whole regions (read, program, compare).
//
// Each returns 0 only when every driver request it issued was carried out:
// a read that returns 0 delivered the flash's own bytes, never the zeros of
// refused register reads, and a program or erase that returns 0 was sent
// whole and seen finished by the flash.
#pragma once

#include "platform/progress_line.h"

#include <cstdint>

// Reads word_count 32-bit words from a 4-byte aligned flash address into
// buffer, the byte at address + i landing at buffer byte i; the whole range
// must lie inside the flash. 0, or a non-zero code (possibly the OR of the
// command and dummy phases' codes).
int flash_read_words(std::uint8_t adapter, std::uint32_t address, std::uint32_t word_count, void* buffer);

// Programs 1 to 256 bytes within one page and waits for the flash.
int flash_write_page(std::uint8_t adapter, std::uint32_t address, std::uint32_t byte_count, const std::uint8_t* data);

// Erases 64 KiB sectors first to last inclusive, each finished before the
// next; nothing when first > last or first < 0, and -1 (nothing erased) when
// last lies beyond the flash.
int flash_erase_sectors(std::uint8_t adapter, std::int32_t first_sector, std::int32_t last_sector);

// Erased flash reads 0xFF; programming can only clear bits, so a page of
// 0xFF needs no program after an erase.
inline constexpr std::uint8_t kFlashErasedByte = 0xFF;

// Whether size bytes are all as erased flash holds them.
inline bool flash_bytes_erased(const std::uint8_t* bytes, std::uint32_t size) {
    for (std::uint32_t i = 0; i < size; ++i) {
        if (bytes[i] != kFlashErasedByte) {
            return false;
        }
    }
    return true;
}

// How far a region operation has come: report is called after every run
// read or compared and after every page programmed, with the bytes of the
// region done so far and the region's size. The flash layer prints no
// progress of its own; the caller words it. A null progress reports nothing.
using flash_progress = progress_report;

// Reads size bytes from a 4-byte aligned flash address into bytes (no
// alignment needed), in runs of 4 KiB: one flash_read_words of whole words
// per run, the bytes past size in the last word read but not stored. 0, or
// the code of the read that failed; the runs before it are in bytes.
int flash_read_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size, std::uint8_t* bytes,
                      const flash_progress* progress);

// What the program does with a page that is all 0xFF.
enum class flash_erased_pages {
    program,  // program it like any other
    skip,     // leave it: on freshly erased flash it already reads so
};

// Programs size bytes from a page-aligned flash address, one flash_write_page
// per page, the last piece holding the remainder. 0, or the code of the page
// that failed; no page after it is written. -1 and nothing sent when the
// address is not on a page.
int flash_program_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size, const std::uint8_t* bytes,
                         flash_erased_pages erased_pages, const flash_progress* progress);

enum class flash_comparison {
    equal,       // the flash holds the bytes exactly
    differs,     // first_difference is the lowest offset that differs
    unreadable,  // a read failed (the flash layer has printed why); read_code
};

struct flash_region_comparison {
    flash_comparison outcome;
    std::uint32_t first_difference;  // from the region's start, when it differs
    int read_code;                   // the failed read's code, when unreadable
};

// Compares size bytes of flash from a 4-byte aligned address with expected,
// reading as flash_read_region does and stopping at the first run that
// differs. A page program can fail without the controller noticing (a write
// enable that did not latch, a protected block); only reading back shows it.
flash_region_comparison flash_compare_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size,
                                             const std::uint8_t* expected, const flash_progress* progress);
