// The dry run of the update: the image is loaded and checked as the update
// checks it and compared with the flash sector by sector; nothing is erased
// or written.
#pragma once

#include "optionrom/rom_image_checks.h"
#include "optionrom/rom_update.h"

#include <cstdint>
#include <filesystem>

// Says on standard output how many sectors the update would erase and
// write. 0, or -1 after the line of the refusal (or of a comparing read
// that failed: then nothing can be said). report (when given) receives the
// IDs compared and, for an accepted image, the comparison; nothing is erased.
int dry_run_rom_update(std::uint8_t adapter, const std::filesystem::path& path, rom_id_check ids,
                       rom_update_report* report = nullptr);
