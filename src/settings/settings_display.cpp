// PENDING: stub until the settings display is built.
#include "settings/settings_display.h"
void print_settings(const boot_settings_record&) {}
