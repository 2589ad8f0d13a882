// The handlers behind the table of settings: one per setting name, each
// checking its value and storing it in the record in memory. Every handler
// returns 0 when applied and -1 after printing exactly one "ERROR: " line;
// a refusal leaves the record as it was. name is the setting's name as
// typed, for the messages that repeat it.
#pragma once

#include "settings/boot_settings_record.h"

using setting_handler = int (*)(boot_settings_record& record, const char* name, const char* value);

// Words: setting_choices.cpp
int apply_networktype(boot_settings_record& record, const char* name, const char* value);
int apply_bootenabled(boot_settings_record& record, const char* name, const char* value);
int apply_preferredport(boot_settings_record& record, const char* name, const char* value);
int apply_chaptype(boot_settings_record& record, const char* name, const char* value);
int apply_datadigest(boot_settings_record& record, const char* name, const char* value);
int apply_headerdigest(boot_settings_record& record, const char* name, const char* value);
int apply_oskorvaneini(boot_settings_record& record, const char* name, const char* value);
int apply_targetfromdhcp(boot_settings_record& record, const char* name, const char* value);

// Texts: setting_texts.cpp
int apply_initiatorname(boot_settings_record& record, const char* name, const char* value);
int apply_initiatoruser(boot_settings_record& record, const char* name, const char* value);
int apply_initiatorpass(boot_settings_record& record, const char* name, const char* value);
int apply_targetname(boot_settings_record& record, const char* name, const char* value);
int apply_targetuser(boot_settings_record& record, const char* name, const char* value);
int apply_targetpass(boot_settings_record& record, const char* name, const char* value);

// Numbers: setting_number_fields.cpp
int apply_portalgroup(boot_settings_record& record, const char* name, const char* value);
int apply_targetlun(boot_settings_record& record, const char* name, const char* value);
int apply_targetdiscoveryport(boot_settings_record& record, const char* name, const char* value);
int apply_vlanid(boot_settings_record& record, const char* name, const char* value);

// Addresses: setting_addresses.cpp
int apply_staticip(boot_settings_record& record, const char* name, const char* value);
int apply_staticmask(boot_settings_record& record, const char* name, const char* value);
int apply_staticgw(boot_settings_record& record, const char* name, const char* value);
int apply_targetdiscoveryip(boot_settings_record& record, const char* name, const char* value);

// Portals: setting_portals.cpp
int apply_targetportal(boot_settings_record& record, const char* name, const char* value);
int apply_deleteportal(boot_settings_record& record, const char* name, const char* value);

// Shared by the address and portal settings: with a static network type and
// no gateway set, a target outside the adapter's own subnet cannot be
// reached; warn (without a newline) but accept.
void warn_if_unreachable(const boot_settings_record& record, const std::uint8_t target[4], const char* warning);
