// PENDING: stub until Option ROM detection is built.
#include "optionrom/option_rom.h"
int read_dm_header(std::uint8_t, dm_header*) { return -1; }
int find_dm_header(const std::uint8_t*, dm_header*) { return 1; }
void display_adapter(std::uint8_t, settings_buffer*) {}
int erase_option_rom(std::uint8_t) { return -1; }
