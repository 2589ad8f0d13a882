// A field is exported by what it means (setting_meaning.h): a flag is on when
// non-zero, a text that does not begin with a printable character is not
// set, an empty portal entry is deleted. A field whose meaning no setting can
// store (a portal group of 0, a VLAN ID of 4095, a CHAP type of 7, an address
// with a 255 octet: records written by other tools, or an erased sector) is
// named instead.
#include "settings/setting_export_values.h"

#include "settings/ipv4_parser.h"
#include "settings/setting_meaning.h"

#include <cstdio>
#include <cstring>

namespace {

export_value written(std::string text) {
    return {std::move(text), {}};
}

export_value left_out(std::string field) {
    return {{}, std::move(field)};
}

std::string dotted(const std::uint8_t address[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

// The text that the setting takes back for this address: empty for 0.0.0.0,
// which clears it. A gateway is judged here by its octets alone; the order of
// the export's lines sees to its subnet.
bool address_text(int ipv4_mode, const std::uint8_t address[4], std::string* text) {
    if (is_unset_ipv4(address)) {
        text->clear();
        return true;
    }
    *text = dotted(address);
    const std::uint8_t unset[4] = {};
    std::uint8_t parsed[4] = {};
    return parse_ipv4(text->c_str(), ipv4_mode, parsed, unset, unset) == kIpv4Ok;
}

// Network type 2 has no word of its own: the row that stores the target from
// DHCP in the same byte writes it.
std::vector<export_value> choice_values(const boot_settings_record& record, const setting_row& row) {
    const setting_row& from_dhcp = setting_row_of_kind(setting_kind::target_from_dhcp);
    if (row.field_offset == from_dhcp.field_offset && target_from_dhcp(record)) {
        return {};
    }
    std::uint8_t stored = *setting_field(record, row);
    if (row.is_flag) {
        stored = flag_stored_value(stored);
    }
    const char* word = choice_word(row.choices, stored);
    return {word != nullptr ? written(word) : left_out(row.name)};
}

std::vector<export_value> target_from_dhcp_values(const boot_settings_record& record, const setting_row& row) {
    if (!target_from_dhcp(record)) {
        return {};
    }
    return {written(choice_word(row.choices, 1))};
}

// A text that fits the setting's bounds and can stand on one line of a
// settings file; a field that is not set is written empty, which clears it.
export_value text_value(const boot_settings_record& record, const setting_row& row) {
    const auto* field = reinterpret_cast<const char*>(setting_field(record, row));
    if (!text_is_set(field)) {
        return written("");
    }
    std::string value(field, strnlen(field, row.field_size));
    const bool too_short = row.kind == setting_kind::secret && value.size() < row.minimum;
    if (value.size() > row.maximum || too_short || value.find_first_of("\r\n") != std::string::npos) {
        return left_out(row.name);
    }
    return written(std::move(value));
}

export_value number_value(const boot_settings_record& record, const setting_row& row) {
    const std::uint32_t number = read_number_field(record, row);
    if (number < row.minimum || number > row.maximum) {
        return left_out(row.name);
    }
    return written(std::to_string(number));
}

export_value address_value(const boot_settings_record& record, const setting_row& row) {
    std::string text;
    if (!address_text(row.ipv4_mode, setting_field(record, row), &text)) {
        return left_out(row.name);
    }
    return written(std::move(text));
}

// The entries in use, or (for the row that deletes them) the empty ones. The
// entries' reserved bytes are the firmware's and no setting writes them.
std::vector<export_value> portal_values(const boot_settings_record& record, const setting_row& row, bool empty) {
    std::vector<export_value> values;
    for (int k = 1; k <= kPortalCount; ++k) {
        if (portal_is_empty(portal_entry_at(record, k)) != empty) {
            continue;
        }
        values.push_back(empty ? written(std::to_string(k)) : portal_export_value(record, row, k));
    }
    return values;
}

}  // namespace

std::vector<export_value> export_values(const boot_settings_record& record, const setting_row& row) {
    switch (row.kind) {
        case setting_kind::choice: return choice_values(record, row);
        case setting_kind::target_from_dhcp: return target_from_dhcp_values(record, row);
        case setting_kind::text:
        case setting_kind::secret: return {text_value(record, row)};
        case setting_kind::number: return {number_value(record, row)};
        case setting_kind::address: return {address_value(record, row)};
        case setting_kind::portal: return portal_values(record, row, false);
        case setting_kind::portal_tag: return portal_values(record, row, true);
    }
    return {};
}

export_value portal_export_value(const boot_settings_record& record, const setting_row& row, int k) {
    const portal_entry& entry = portal_entry_at(record, k);
    const std::string tag = std::to_string(k);
    std::string address;
    const std::uint16_t port = entry.port;
    if (!address_text(row.ipv4_mode, entry.ip, &address) || port < row.minimum || port > row.maximum) {
        return left_out(std::string(row.name) + " " + tag);
    }
    return written(tag + "@" + address + ":" + std::to_string(port));
}

bool address_exportable(int ipv4_mode, const std::uint8_t address[4]) {
    std::string text;
    return address_text(ipv4_mode, address, &text);
}
