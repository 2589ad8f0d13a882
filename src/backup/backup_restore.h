// Taking a backup of what an adapter's flash holds, and putting it back.
#pragma once

#include "flash/flash_operations.h"

#include <cstdint>
#include <filesystem>

// The parts of a backup a restore puts back.
inline constexpr int kRestoreRom = 1;
inline constexpr int kRestoreSettings = 2;
inline constexpr int kRestoreAll = kRestoreRom | kRestoreSettings;

// The long reads and programs tell progress (null: none); the caller owns the
// line that shows it.

// Reads the Option ROM region and the boot settings record into a new backup
// file at path. 0, or -1 after its message; no file is left on failure.
int backup_adapter(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress);

// Checks the backup file at path, then puts back the parts asked for, each
// read back before success is claimed. 0, or -1 after its message. parts_done
// (may be null) gets the parts now in place as the backup has them. An
// interrupt held while the Option ROM was written stops the restore there:
// the settings part is not begun.
int restore_adapter(std::uint8_t adapter, const std::filesystem::path& path, int parts, const flash_progress* progress,
                    int* parts_done);
