// Putting one part of a backup back into the adapter's flash. Each part is
// first compared with the flash: a part already in place is left alone.
#pragma once

#include <cstdint>

// The Option ROM region (sectors 0 to 2) from rom, 0x30000 bytes. 0, or -1
// after its message.
int restore_option_rom(std::uint8_t adapter, const std::uint8_t* rom);

// The 448 bytes of the settings sector's start, saved as the configure
// command saves a record but byte for byte. 0, or -1 after its message.
int restore_settings(std::uint8_t adapter, const std::uint8_t* settings);
