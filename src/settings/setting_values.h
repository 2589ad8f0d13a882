// How words, texts and numbers are judged and stored, by their row. Each
// returns 0 when the value was applied and -1 after exactly one "ERROR: "
// line; a refusal leaves the record as it was. name is the setting's name as
// typed, for the messages that repeat it.
#pragma once

#include "settings/setting_table.h"

int apply_choice(boot_settings_record& record, const setting_row& row, const char* name, const char* value);
int apply_target_from_dhcp(boot_settings_record& record, const setting_row& row, const char* name, const char* value);
int apply_text(boot_settings_record& record, const setting_row& row, const char* value);
int apply_number(boot_settings_record& record, const setting_row& row, const char* value);
