// The boot settings as the "settings" object of the display's JSON form:
// one member per setting of the settings table, named as the setting and
// typed as what it holds.
#pragma once

#include "platform/json_writer.h"
#include "settings/boot_settings_record.h"

// Yes/no and on/off settings as booleans, numbers as numbers, names,
// addresses and the other choices as texts, the target portals as an array
// of {"tag", "address", "port"}. What the display shows as not set (a text,
// the address 0.0.0.0) or a value no word of its choice stores is null.
// CHAP secrets are never written: each is {"set": bool}.
void json_settings(json_writer* w, const boot_settings_record& record);
