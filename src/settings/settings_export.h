// The boot settings as setting=value lines that the configure command takes
// back: applied in order to any adapter, they make its settings show as this
// record's do.
#pragma once

#include "settings/boot_settings_record.h"

#include <string>
#include <vector>

struct settings_export {
    std::vector<std::string> lines;       // setting=value, in the order to apply them
    std::vector<std::string> unexported;  // fields whose value no setting can store
};

settings_export export_settings(const boot_settings_record& record);

// Prints the lines on standard output and, for each field left out, one
// "ERROR: " line naming it on standard error. 0, or -1 when a field was left
// out.
int print_settings_export(const boot_settings_record& record);
