// iSCSI names, as the initiator and the target give them at login. The boot
// firmware sends the stored names as they are; a target refuses a login
// whose names are in none of the standard's forms, and the server then
// does not boot.
#pragma once

#include "settings/setting_table.h"

// Whether text is an iSCSI name in one of its three forms:
//   iqn.yyyy-mm.reversed.domain[:text]   a naming authority's own names
//   eui. and 16 hexadecimal digits       an IEEE EUI-64
//   naa. and 16 or 32 hexadecimal digits a T11 Network Address Authority id
// made of letters, digits, '-', '.' and ':'. Letters may be of either case:
// names are folded to lower case before they are compared.
bool is_iscsi_name(const char* text);

// Whether row is a setting that holds an iSCSI name.
bool is_name_setting(const setting_row& row);

// 0 when row is no iSCSI name setting, or value is empty (which clears the
// name) or an iSCSI name; otherwise -1 after the refusal line naming the
// setting.
int refuse_unless_iscsi_name(const setting_row& row, const char* value);
