// PENDING: replaced by the Option ROM operations.
#include "optionrom/option_rom.h"
#include "optionrom/rom_update.h"
int read_dm_header(std::uint8_t, dm_header*) { return -1; }
int find_dm_header(const std::uint8_t*, dm_header*) { return 1; }
void display_adapter(std::uint8_t, settings_buffer*) {}
int erase_option_rom(std::uint8_t) { return -1; }
int update_rom_from_file(std::uint8_t, const char*) { return -1; }
int write_rom_image(std::uint8_t, const std::uint8_t*, std::uint32_t) { return 12; }
