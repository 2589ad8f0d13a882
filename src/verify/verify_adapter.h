// The verify command: what the flash holds against an Option ROM image or a
// backup, writing nothing.
#pragma once

#include "flash/flash_operations.h"

#include <cstdint>
#include <filesystem>

// Compares the flash with the file at path, writing nothing: an Option ROM
// image (it begins 0x55 0xAA) over its length from flash offset 0, or a
// backup, checked as the restore checks it, over both its parts. The file is
// opened once, from a disk or a pipe; a device is refused unopened. Progress
// while the Option ROM region is read, then one line with the outcome. 0
// only when everything compared is equal; -1 when something differs or
// after an "ERROR: " line.
int verify_adapter(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress);
