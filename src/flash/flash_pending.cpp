// PENDING: replaced by the flash layer.
#include "flash/flash_controller.h"
#include "flash/flash_operations.h"
int flash_read_words(std::uint8_t, std::uint32_t, std::uint32_t, void*) { return -1; }
int flash_write_page(std::uint8_t, std::uint32_t, std::uint32_t, const std::uint8_t*) { return -1; }
int flash_erase_sectors(std::uint8_t, std::int32_t, std::int32_t) { return -1; }
