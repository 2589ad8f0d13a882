// One setting's value in a record as the export writes it, row by row of the
// table of settings: the export puts these values on its lines, and the
// dry run of the configure command compares them before and after.
#pragma once

#include "settings/boot_settings_record.h"
#include "settings/setting_table.h"

#include <cstdint>
#include <string>
#include <vector>

// The text after "name=" on one line, or, when the field holds what no
// setting can store, the field's name for the export's error line.
struct export_value {
    std::string text;
    std::string unexported;  // not empty: this field is left out
    bool operator==(const export_value&) const = default;
};

// The values of row's setting in record, one per line the export writes for
// it, in order. None when the export writes no line for the setting: the
// network type when the target comes from DHCP (targetfromdhcp=on says it),
// targetfromdhcp otherwise, deleteportal while both portals are in use.
std::vector<export_value> export_values(const boot_settings_record& record, const setting_row& row);

// Entry k of the target portals as the portal row writes it,
// "k@a.b.c.d:port". An empty entry is written as a deletion instead.
export_value portal_export_value(const boot_settings_record& record, const setting_row& row, int k);

// Whether the setting of an IPv4 parser mode takes this address back;
// 0.0.0.0, which an empty value stores, always.
bool address_exportable(int ipv4_mode, const std::uint8_t address[4]);
