// apply_setting: finds the setting's row by name and judges the value by the
// row's kind.
#include "settings/setting_assignment.h"

#include "platform/refusal.h"
#include "settings/setting_addresses.h"
#include "settings/setting_values.h"

int apply_setting(boot_settings_record* record, const char* name, const char* value) {
    // The configure command always passes zero-terminated buffers; an absent
    // name or value is read as empty rather than dereferenced.
    if (name == nullptr) {
        name = "";
    }
    if (value == nullptr) {
        value = "";
    }
    if (record == nullptr) {
        return refuse_with("ERROR: no settings record to apply setting %s to!\n", name);
    }
    const setting_row* row = find_setting_row(name);
    if (row == nullptr) {
        return refuse_with("ERROR: unknown setting %s!\n", name);
    }
    switch (row->kind) {
        case setting_kind::choice: return apply_choice(*record, *row, name, value);
        case setting_kind::target_from_dhcp: return apply_target_from_dhcp(*record, *row, name, value);
        case setting_kind::text:
        case setting_kind::secret: return apply_text(*record, *row, value);
        case setting_kind::number: return apply_number(*record, *row, value);
        case setting_kind::address: return apply_address(*record, *row, value);
        case setting_kind::portal: return apply_portal(*record, *row, value);
        case setting_kind::portal_tag: return apply_portal_tag(*record, *row, value);
    }
    return refuse_with("ERROR: unknown setting %s!\n", name);
}
