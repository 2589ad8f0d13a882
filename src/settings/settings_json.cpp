#include "settings/settings_json.h"

#include "settings/ipv4_parser.h"
#include "settings/setting_meaning.h"
#include "settings/setting_table.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string dotted(const std::uint8_t address[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

// A flag is on when the word its stored value is written with says so: the
// OS initiator's flag, stored inverted, comes out as the setting means it.
void json_choice(json_writer* w, const boot_settings_record& record, const setting_row& row) {
    std::uint8_t stored = *setting_field(record, row);
    if (row.is_flag) {
        const char* word = choice_word(row.choices, flag_stored_value(stored));
        json_bool(w, word != nullptr && (std::strcmp(word, "yes") == 0 || std::strcmp(word, "on") == 0));
        return;
    }
    // Network type 2 is DHCP with the boot target from DHCP too; the
    // latter is targetfromdhcp's to say.
    if (std::strcmp(row.name, "networktype") == 0 && stored == kNetworkDhcpWithTarget) {
        stored = kNetworkDhcp;
    }
    const char* word = choice_word(row.choices, stored);
    word != nullptr ? json_text(w, word) : json_null(w);
}

// A text ends at its first zero or at the field's end.
bool field_text(const boot_settings_record& record, const setting_row& row, std::string* text) {
    const auto* field = reinterpret_cast<const char*>(setting_field(record, row));
    if (!text_is_set(field)) {
        return false;
    }
    *text = std::string(field, strnlen(field, row.field_size));
    return true;
}

// The entries the display shows.
void json_portals(json_writer* w, const boot_settings_record& record) {
    json_begin_array(w);
    for (int k = 1; k <= kPortalCount; ++k) {
        const portal_entry& entry = portal_entry_at(record, k);
        if (portal_is_empty(entry)) {
            continue;
        }
        json_begin_object(w);
        json_name(w, "tag"), json_number(w, k);
        json_name(w, "address"), json_text(w, dotted(entry.ip));
        json_name(w, "port"), json_number(w, std::uint16_t{entry.port});
        json_end_object(w);
    }
    json_end_array(w);
}

void json_setting(json_writer* w, const boot_settings_record& record, const setting_row& row) {
    json_name(w, row.name);
    std::string text;
    switch (row.kind) {
        case setting_kind::choice: json_choice(w, record, row); return;
        case setting_kind::target_from_dhcp: json_bool(w, target_from_dhcp(record)); return;
        case setting_kind::text: field_text(record, row, &text) ? json_text(w, text) : json_null(w); return;
        case setting_kind::secret:
            json_begin_object(w);
            json_name(w, "set"), json_bool(w, field_text(record, row, &text));
            json_end_object(w);
            return;
        case setting_kind::number: json_number(w, read_number_field(record, row)); return;
        case setting_kind::address: {
            const std::uint8_t* address = setting_field(record, row);
            is_unset_ipv4(address) ? json_null(w) : json_text(w, dotted(address));
            return;
        }
        case setting_kind::portal: json_portals(w, record); return;
        case setting_kind::portal_tag: return;  // not listed
    }
}

}  // namespace

void json_settings(json_writer* w, const boot_settings_record& record) {
    json_begin_object(w);
    // In the export's order. deleteportal is left out: it acts on the
    // portals and holds no value of its own.
    for (const setting_row& row : setting_rows()) {
        if (row.kind != setting_kind::portal_tag) {
            json_setting(w, record, row);
        }
    }
    json_end_object(w);
}
