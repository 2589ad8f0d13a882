// The verify command: what the flash holds against an Option ROM image or a
// backup, writing nothing.
#pragma once

#include "flash/flash_operations.h"

#include <cstdint>
#include <filesystem>

// What was compared, beside the line that says it.
enum class verify_file_kind : std::uint8_t {
    unknown,  // the file could not be read, or is neither
    image,    // an Option ROM image, compared from flash offset 0 over its length
    backup,   // a backup, compared over its Option ROM part and its settings
};

struct verify_result {
    verify_file_kind kind;
    bool compared;  // the flash was read and compared; the rest holds the outcome
    std::uint32_t compared_bytes;
    std::uint32_t rom_differing;       // bytes of the Option ROM part (or the image) that differ
    std::uint32_t settings_differing;  // bytes of a backup's settings part that differ
    std::uint32_t first_difference;    // the flash offset of the first, when any differs
};

// Compares the flash with the file at path, writing nothing: an Option ROM
// image (it begins 0x55 0xAA) over its length from flash offset 0, or a
// backup, checked as the restore checks it, over both its parts. The file is
// opened once, from a disk or a pipe; a device is refused unopened. Progress
// while the Option ROM region is read (null: none shows), then one line with
// the outcome, which result (when given) holds too. 0 only when everything
// compared is equal; -1 when something differs or after an "ERROR: " line.
int verify_adapter(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress,
                   verify_result* result = nullptr);
