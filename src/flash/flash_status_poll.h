// Waiting out the flash's own busy time after a page program or a sector
// erase, by reading its status register.
#pragma once

#include <cstdint>

// Reads the flash status register until write-in-progress clears, at most 5
// times with delay_ms between: 0, -2, -3, 5 or 6.
int flash_poll_status(std::uint8_t adapter, std::uint32_t delay_ms);
