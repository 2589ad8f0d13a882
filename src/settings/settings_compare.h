// What a save of the configure command would change, judged before anything
// is erased: the record as the save would write it (after its header
// fix-ups) against the record as read from the flash. A save that would
// write the bytes already there is skipped, and the dry run shows the
// changes setting by setting, with the values as the export writes them.
#pragma once

#include "settings/boot_settings_record.h"

#include <string>
#include <vector>

// Whether saving record would leave other bytes in the settings sector than
// on_flash, the record read from it, holds.
bool save_would_change(const boot_settings_record& on_flash, const boot_settings_record& record);

enum class settings_change_kind {
    values,     // before and after are the setting's export values
    secret,     // a CHAP secret changes; its values are never shown
    rewritten,  // the bytes change but not what they mean
};

struct settings_change {
    std::string name;  // a setting's, or "record header"
    settings_change_kind kind;
    std::string before;  // the values, joined with ", "
    std::string after;
};

// The changes: the header when the save would fix it up, then, in the
// export's order, each setting whose export would change. A field whose bytes
// would change without changing any setting's export (a flag of 7 stored as
// 1) is rewritten under the first setting stored in it. Empty exactly when
// save_would_change is false.
std::vector<settings_change> settings_changes(const boot_settings_record& on_flash, const boot_settings_record& record);
