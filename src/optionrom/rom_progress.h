// The one-line progress display of an Option ROM update.
#pragma once

#include "flash/flash_operations.h"

#include <cstdint>

// The percentage written after the pieces so far: the done fraction in single
// precision, times 100, rounded to single precision again. These two roundings
// decide the last digit shown, so they are kept exactly.
float rom_progress_percent(std::uint32_t size, std::uint32_t remaining);

// Overwrites the previous six-character percentage in place and flushes, so
// the line moves while the flash is being programmed.
void print_rom_progress(float percent);

// The progress line as a flash region operation reports it: the percentage
// of total written with done bytes done, printed as above.
void report_rom_progress(void* context, std::uint32_t done, std::uint32_t total);

// For the update and every other long flash region operation that shows the
// same line.
inline constexpr flash_progress kRomProgressLine = {report_rom_progress, nullptr};
