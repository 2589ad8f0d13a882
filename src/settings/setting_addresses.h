// How addresses and target portals are judged and stored, by their row. Each
// returns 0 when the value was applied (the subnet warnings may have
// printed) and -1 after exactly one "ERROR: " line; a refusal leaves the
// record as it was.
#pragma once

#include "settings/setting_table.h"

int apply_address(boot_settings_record& record, const setting_row& row, const char* value);
int apply_portal(boot_settings_record& record, const setting_row& row, const char* value);
int apply_portal_tag(boot_settings_record& record, const setting_row& row, const char* value);
