// Rendering the record as setting=value lines: the export walks the table of
// settings in its order and writes each setting's values as
// setting_export_values.h renders them, naming the fields that no setting
// can store.
//
// Settings that see each other are written in an order the configure
// command accepts whatever the other adapter held before: the gateway after
// the address and mask it is checked against, and portal 1 deleted while
// the network type is 2.
#include "settings/settings_export.h"

#include "settings/ipv4_parser.h"
#include "settings/setting_export_values.h"
#include "settings/setting_meaning.h"
#include "settings/setting_table.h"

#include <cstdio>
#include <utility>

namespace {

// The record being exported and what has been written of it so far.
struct export_state {
    const boot_settings_record& record;
    settings_export result;
    const setting_row* mask_after_gateway = nullptr;  // the mask, when it follows the gateway
};

void add_line(export_state& s, const char* name, const std::string& value) {
    s.result.lines.push_back(std::string(name) + "=" + value);
}

// Each field is named once, however many lines would have carried it.
void add_unexported(export_state& s, const std::string& field) {
    for (const std::string& named : s.result.unexported) {
        if (named == field) {
            return;
        }
    }
    s.result.unexported.push_back(field);
}

void add_value(export_state& s, const setting_row& row, const export_value& value) {
    if (value.unexported.empty()) {
        add_line(s, row.name, value.text);
    } else {
        add_unexported(s, value.unexported);
    }
}

void add_values(export_state& s, const setting_row& row) {
    for (const export_value& value : export_values(s.record, row)) {
        add_value(s, row, value);
    }
}

// The gateway is checked against the address and mask in the record when it
// is set. Normally they are written first; a gateway outside their subnet
// (the address was changed after the gateway) is set while the mask is
// cleared, which skips the check, and the mask follows it.
bool mask_before_gateway(const boot_settings_record& r) {
    const bool ip_ok = address_exportable(kIpv4Address, r.staticip);
    const bool mask_ok = address_exportable(kIpv4Mask, r.staticmask);
    const bool gateway_checked =
        ip_ok && mask_ok && !is_unset_ipv4(r.staticip) && !is_unset_ipv4(r.staticmask) && !is_unset_ipv4(r.staticgw);
    const bool gateway_passes = !gateway_checked || same_subnet(r.staticgw, r.staticip, r.staticmask);
    return gateway_passes && ip_ok && mask_ok;
}

void export_address(export_state& s, const setting_row& row) {
    if (row.ipv4_mode == kIpv4Mask && !mask_before_gateway(s.record)) {
        add_line(s, row.name, "");
        s.mask_after_gateway = &row;
        return;
    }
    add_values(s, row);
    if (row.ipv4_mode == kIpv4Gateway && s.mask_after_gateway != nullptr) {
        add_values(s, *s.mask_after_gateway);
    }
}

// The lines of every setting stored in the network type's byte.
void add_network_type(export_state& s, const setting_row& from_dhcp) {
    for (const setting_row& row : setting_rows()) {
        if (row.field_offset == from_dhcp.field_offset) {
            add_values(s, row);
        }
    }
}

// An empty entry is written as a deletion, in the entries' order. Portal 1
// can only be deleted while the network type is 2, so unless it is 2 already
// it is made 2 for the deletion and put back after.
void export_portals(export_state& s, const setting_row& row) {
    const setting_row& from_dhcp = setting_row_of_kind(setting_kind::target_from_dhcp);
    const setting_row& deletion = setting_row_of_kind(setting_kind::portal_tag);
    for (int k = 1; k <= kPortalCount; ++k) {
        if (!portal_is_empty(portal_entry_at(s.record, k))) {
            add_value(s, row, portal_export_value(s.record, row, k));
            continue;
        }
        const bool needs_type_two = k == 1 && !target_from_dhcp(s.record);
        if (needs_type_two) {
            add_line(s, from_dhcp.name, choice_word(from_dhcp.choices, 1));
        }
        add_line(s, deletion.name, std::to_string(k));
        if (needs_type_two) {
            add_network_type(s, from_dhcp);
        }
    }
}

void export_row(export_state& s, const setting_row& row) {
    switch (row.kind) {
        case setting_kind::portal: export_portals(s, row); return;
        case setting_kind::portal_tag: return;  // with the entries, by export_portals
        case setting_kind::address: export_address(s, row); return;
        default: add_values(s, row); return;
    }
}

}  // namespace

settings_export export_settings(const boot_settings_record& record) {
    export_state s{record, {}};
    for (const setting_row& row : setting_rows()) {
        export_row(s, row);
    }
    return std::move(s.result);
}

int print_settings_export(const boot_settings_record& record) {
    const settings_export exported = export_settings(record);
    for (const std::string& line : exported.lines) {
        std::printf("%s\n", line.c_str());
    }
    for (const std::string& field : exported.unexported) {
        std::fprintf(stderr, "ERROR: %s holds a value that no setting can store, not exported!\n", field.c_str());
    }
    return exported.unexported.empty() ? 0 : -1;
}
