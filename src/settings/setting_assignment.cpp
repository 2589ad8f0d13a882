// PENDING: stub until the setting assignments are built.
#include "settings/setting_assignment.h"
int apply_setting(boot_settings_record*, const char*, const char*) { return -1; }
