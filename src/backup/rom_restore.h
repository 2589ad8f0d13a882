// Putting the Option ROM part of a backup back into the adapter's flash. The
// part is first compared with the flash: a part already in place is left
// alone.
#pragma once

#include "flash/flash_operations.h"

#include <cstdint>

// The Option ROM region (sectors 0 to 2) from rom, 0x30000 bytes, with the
// progress line told after every page programmed. 0, or -1 after its
// message.
int restore_option_rom(std::uint8_t adapter, const std::uint8_t* rom, const flash_progress* progress);
