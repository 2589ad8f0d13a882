// One setting=value argument of the configure command, applied to the record
// in memory.
#pragma once

#include "settings/boot_settings_record.h"

// 0 when applied (the subnet warnings may have printed), -1 after exactly one
// "ERROR: " line on standard error.
int apply_setting(boot_settings_record* record, const char* name, const char* value);
