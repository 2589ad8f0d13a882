// The run that the region reads and compares move at a time. Private to
// src/flash.
#pragma once

#include "flash/flash_operations.h"

#include <cstdint>

// One fast-read command per 4 KiB costs little next to its 1024 word
// transfers, and the buffer stays small enough for the stack.
inline constexpr std::uint32_t kFlashRegionRunBytes = 4096;
static_assert(kFlashRegionRunBytes % 4 == 0);

// The flash layer fills whole 32-bit words; the bytes are looked at from
// here, wherever the caller's own buffer lies.
struct flash_region_run {
    std::uint32_t words[kFlashRegionRunBytes / 4];
    const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(words); }
};

inline std::uint32_t flash_region_run_length(std::uint32_t remaining) {
    return remaining < kFlashRegionRunBytes ? remaining : kFlashRegionRunBytes;
}

// Reads length bytes (at most one run) from address as whole words: a
// length that is not a multiple of 4 reads the rest of its last word too.
inline int flash_read_run(std::uint8_t adapter, std::uint32_t address, std::uint32_t length, flash_region_run* run) {
    return flash_read_words(adapter, address, (length + 3) / 4, run->words);
}

inline void flash_report_progress(const flash_progress* progress, std::uint32_t done, std::uint32_t total) {
    if (progress != nullptr && progress->report != nullptr) {
        progress->report(progress->context, done, total);
    }
}
