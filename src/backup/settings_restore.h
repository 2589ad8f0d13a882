// Putting the settings part of a backup back into the adapter's flash. The
// part is first compared with the flash: a part already in place is left
// alone.
#pragma once

#include <cstdint>

// The 448 bytes of the settings sector's start, saved as the configure
// command saves a record but byte for byte. 0, or -1 after its message.
int restore_settings(std::uint8_t adapter, const std::uint8_t* settings);
