#include "settings/settings_compare.h"

#include "settings/setting_export_values.h"
#include "settings/setting_table.h"

#include <cstddef>
#include <cstring>

namespace {

// What the dry run shows for a field that no setting can store: the export
// writes no value for it either.
constexpr const char* kNotExportable = "(not exportable)";

boot_settings_record as_saved(const boot_settings_record& record) {
    boot_settings_record saved = record;
    fix_up_settings_header(&saved);
    return saved;
}

bool same_bytes(const void* a, const void* b, std::size_t size) {
    return std::memcmp(a, b, size) == 0;
}

// The header that the save fixes up: magic, flag and length.
bool header_differs(const boot_settings_record& a, const boot_settings_record& b) {
    return !same_bytes(&a, &b, offsetof(boot_settings_record, reserved_07));
}

bool field_differs(const boot_settings_record& a, const boot_settings_record& b, const setting_row& row) {
    return !same_bytes(setting_field(a, row), setting_field(b, row), row.field_size);
}

std::string joined(const std::vector<export_value>& values) {
    std::string text;
    for (const export_value& value : values) {
        if (!text.empty()) {
            text += ", ";
        }
        text += value.unexported.empty() ? value.text : kNotExportable;
    }
    return text;
}

// The first row stored in row's field, and whether the export of any row
// stored there changes: a field whose bytes change is shown once.
const setting_row& first_row_of_field(const setting_row& row) {
    for (const setting_row& other : setting_rows()) {
        if (other.field_offset == row.field_offset) {
            return other;
        }
    }
    return row;
}

bool field_export_changes(const boot_settings_record& a, const boot_settings_record& b, const setting_row& row) {
    for (const setting_row& other : setting_rows()) {
        if (other.field_offset == row.field_offset && export_values(a, other) != export_values(b, other)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool save_would_change(const boot_settings_record& on_flash, const boot_settings_record& record) {
    const boot_settings_record saved = as_saved(record);
    return !same_bytes(&saved, &on_flash, sizeof saved);
}

std::vector<settings_change> settings_changes(const boot_settings_record& on_flash,
                                              const boot_settings_record& record) {
    const boot_settings_record saved = as_saved(record);
    std::vector<settings_change> changes;
    if (header_differs(on_flash, saved)) {
        changes.push_back({"record header", settings_change_kind::rewritten, {}, {}});
    }
    for (const setting_row& row : setting_rows()) {
        const std::vector<export_value> before = export_values(on_flash, row);
        const std::vector<export_value> after = export_values(saved, row);
        if (before != after) {
            const bool secret = row.kind == setting_kind::secret;
            changes.push_back({row.name, secret ? settings_change_kind::secret : settings_change_kind::values,
                               secret ? std::string() : joined(before), secret ? std::string() : joined(after)});
        } else if (field_differs(on_flash, saved, row) && &first_row_of_field(row) == &row &&
                   !field_export_changes(on_flash, saved, row)) {
            changes.push_back({row.name, settings_change_kind::rewritten, {}, {}});
        }
    }
    // No setting writes the bytes outside the header and the fields; should
    // they ever differ, the save is still no repetition.
    if (changes.empty() && save_would_change(on_flash, record)) {
        changes.push_back({"record", settings_change_kind::rewritten, {}, {}});
    }
    return changes;
}
