// PENDING: replaced by the settings display, storage, parser and assignments.
#include "settings/ipv4_parser.h"
#include "settings/setting_assignment.h"
#include "settings/settings_display.h"
#include "settings/settings_storage.h"
void print_settings(const boot_settings_record&) {}
int read_settings(std::uint8_t, settings_buffer*, bool) { return -1; }
int save_settings(std::uint8_t, settings_buffer*) { return -1; }
int erase_settings(std::uint8_t) { return -1; }
int parse_ipv4(const char*, int, std::uint8_t*, const std::uint8_t*, const std::uint8_t*) { return -1; }
int apply_setting(boot_settings_record*, const char*, const char*) { return -1; }
