// How each kind of setting judges and stores a value, by its row. Every
// function returns 0 when the value was applied and -1 after printing
// exactly one "ERROR: " line; a refusal leaves the record as it was. name is
// the setting's name as typed, for the messages that repeat it.
#pragma once

#include "settings/setting_table.h"

// Words, texts and numbers: setting_values.cpp
int apply_choice(boot_settings_record& record, const setting_row& row, const char* name, const char* value);
int apply_target_from_dhcp(boot_settings_record& record, const setting_row& row, const char* name, const char* value);
int apply_text(boot_settings_record& record, const setting_row& row, const char* value);
int apply_number(boot_settings_record& record, const setting_row& row, const char* value);

// Addresses and portals: setting_addresses.cpp
int apply_address(boot_settings_record& record, const setting_row& row, const char* value);
int apply_portal(boot_settings_record& record, const setting_row& row, const char* value);
int apply_portal_tag(boot_settings_record& record, const setting_row& row, const char* value);

// The row's refusal, its %s filled as the row says.
int refuse_by_row(const setting_row& row, const char* name, const char* value);
