// PENDING: stub until the settings storage is built.
#include "settings/settings_storage.h"
int read_settings(std::uint8_t, settings_buffer*, bool) { return -1; }
int save_settings(std::uint8_t, settings_buffer*) { return -1; }
int erase_settings(std::uint8_t) { return -1; }
