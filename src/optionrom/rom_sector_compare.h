// Which sectors of the Option ROM region an update would change. An update
// erases and programs whole 64 KiB sectors; a sector that already holds what
// the update would leave there (the image's bytes, then 0xFF up to the
// sector's end, as after an erase) needs neither.
#pragma once

#include "flash/flash_geometry.h"

#include <cstdint>

inline constexpr std::int32_t kOptionRomSectorCount = kOptionRomLastSector - kOptionRomFirstSector + 1;

struct rom_sector_plan {
    std::int32_t covered;                 // the sectors the image reaches, from sector 0
    bool differs[kOptionRomSectorCount];  // per covered sector
    std::int32_t differing;               // how many covered sectors differ
    std::int32_t compared;                // how many covered sectors were read and compared
    int read_code;                        // 0, or the failed read's code: then every covered sector differs
};

// Compares each sector the image of size bytes (1 to 0x30000) covers with
// the flash, reading a sector only up to its first difference. A read that
// fails ends the comparison (the flash layer has printed why) and every
// covered sector counts as differing, so that an update writes all of them
// as it would without the comparison.
rom_sector_plan compare_rom_sectors(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size);
