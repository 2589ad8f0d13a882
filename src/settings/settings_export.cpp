// Rendering the record as setting=value lines, field by field through the
// table of settings. What a field means is what the display makes of it: a
// flag is on when non-zero, a text whose first byte is not printable is not
// set, a portal entry whose first address byte is 0 or 0xFF is empty. A
// field whose meaning no setting can store (a portal group of 0, a VLAN ID
// of 4095, a CHAP type of 7, an address with a 255 octet: records written by
// other tools, or an erased sector) is named and left out.
//
// Settings that see each other are written in an order the configure
// command accepts whatever the other adapter held before: the gateway after
// the address and mask it is checked against, and portal 1 deleted while
// the network type is 2.
#include "settings/settings_export.h"

#include "settings/ipv4_parser.h"
#include "settings/setting_table.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// The record being exported and what has been written of it so far.
struct export_state {
    const boot_settings_record& record;
    settings_export result;
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

std::string dotted(const std::uint8_t address[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
    return text;
}

void export_choice(export_state& s, const char* name) {
    const setting_row& row = setting_row_named(name);
    std::uint8_t stored = *setting_field(s.record, row);
    if (row.is_flag) {
        stored = stored != 0 ? 1 : 0;
    }
    const char* word = choice_word(row.choices, stored);
    if (word == nullptr) {
        add_unexported(s, name);
        return;
    }
    add_line(s, name, word);
}

// A text that fits the setting's bounds and can stand on one line of a
// settings file; a field that is not set is written empty, which clears it.
void export_text(export_state& s, const char* name) {
    const setting_row& row = setting_row_named(name);
    const auto* field = reinterpret_cast<const char*>(setting_field(s.record, row));
    const auto first = static_cast<unsigned char>(field[0]);
    if (first < 0x20 || first > 0x7E) {
        add_line(s, name, "");
        return;
    }
    const std::string value(field, strnlen(field, row.field_size));
    const bool too_short = row.kind == setting_kind::secret && value.size() < row.minimum;
    if (value.size() > row.maximum || too_short || value.find_first_of("\r\n") != std::string::npos) {
        add_unexported(s, name);
        return;
    }
    add_line(s, name, value);
}

void export_number(export_state& s, const char* name) {
    const setting_row& row = setting_row_named(name);
    const std::uint32_t number = read_number_field(s.record, row);
    if (number < row.minimum || number > row.maximum) {
        add_unexported(s, name);
        return;
    }
    add_line(s, name, std::to_string(number));
}

// The text that the setting takes back for this address: empty for 0.0.0.0,
// which clears it. A gateway is judged here by its octets alone; the order of
// the lines sees to its subnet.
bool address_text(const setting_row& row, const std::uint8_t address[4], std::string* text) {
    if (is_unset_ipv4(address)) {
        text->clear();
        return true;
    }
    *text = dotted(address);
    const std::uint8_t unset[4] = {};
    std::uint8_t parsed[4] = {};
    return parse_ipv4(text->c_str(), row.ipv4_mode, parsed, unset, unset) == kIpv4Ok;
}

void export_address(export_state& s, const char* name) {
    const setting_row& row = setting_row_named(name);
    std::string text;
    if (!address_text(row, setting_field(s.record, row), &text)) {
        add_unexported(s, name);
        return;
    }
    add_line(s, name, text);
}

// Network type 2 has no word of its own: it is the target from DHCP.
void export_network_type(export_state& s) {
    if (s.record.networktype == kNetworkDhcpWithTarget) {
        add_line(s, "targetfromdhcp", "on");
        return;
    }
    export_choice(s, "networktype");
}

// The gateway is checked against the address and mask in the record when it
// is set. Normally they are written first; a gateway outside their subnet
// (the address was changed after the gateway) is set while the mask is
// cleared, which skips the check, and the mask follows it.
void export_network_addresses(export_state& s) {
    const setting_row& ip_row = setting_row_named("staticip");
    const setting_row& mask_row = setting_row_named("staticmask");
    const setting_row& gw_row = setting_row_named("staticgw");
    std::string ip;
    std::string mask;
    std::string gw;
    const bool ip_ok = address_text(ip_row, s.record.staticip, &ip);
    const bool mask_ok = address_text(mask_row, s.record.staticmask, &mask);
    const bool gw_ok = address_text(gw_row, s.record.staticgw, &gw);
    const bool gateway_checked = ip_ok && mask_ok && !is_unset_ipv4(s.record.staticip) &&
                                 !is_unset_ipv4(s.record.staticmask) && !is_unset_ipv4(s.record.staticgw);
    const bool gateway_passes =
        !gateway_checked || same_subnet(s.record.staticgw, s.record.staticip, s.record.staticmask);
    ip_ok ? add_line(s, "staticip", ip) : add_unexported(s, "staticip");
    if (gateway_passes && ip_ok && mask_ok) {
        add_line(s, "staticmask", mask);
        gw_ok ? add_line(s, "staticgw", gw) : add_unexported(s, "staticgw");
        return;
    }
    add_line(s, "staticmask", "");
    gw_ok ? add_line(s, "staticgw", gw) : add_unexported(s, "staticgw");
    mask_ok ? add_line(s, "staticmask", mask) : add_unexported(s, "staticmask");
}

// An entry the display skips (first address byte 0 or 0xFF) is written as a
// deletion. Portal 1 can only be deleted while the network type is 2, so
// unless it is 2 already it is made 2 for the deletion and put back after.
// The entries' reserved bytes are the firmware's and no setting writes them.
void export_portals(export_state& s) {
    const setting_row& row = setting_row_named("targetportal");
    for (int k = 1; k <= 2; ++k) {
        const portal_entry& entry = s.record.targetportal[k - 1];
        const std::string tag = std::to_string(k);
        if (entry.ip[0] == 0 || entry.ip[0] == 0xFF) {
            const bool needs_type_two = k == 1 && s.record.networktype != kNetworkDhcpWithTarget;
            if (needs_type_two) {
                add_line(s, "targetfromdhcp", "on");
            }
            add_line(s, "deleteportal", tag);
            if (needs_type_two) {
                export_network_type(s);
            }
            continue;
        }
        std::string address;
        const std::uint16_t port = entry.port;
        if (!address_text(row, entry.ip, &address) || port < row.minimum || port > row.maximum) {
            add_unexported(s, "targetportal " + tag);
            continue;
        }
        add_line(s, "targetportal", tag + "@" + address + ":" + std::to_string(port));
    }
}

}  // namespace

settings_export export_settings(const boot_settings_record& record) {
    export_state s{record, {}};
    export_choice(s, "bootenabled");
    export_choice(s, "oskorvaneini");
    export_text(s, "initiatorname");
    export_choice(s, "headerdigest");
    export_choice(s, "datadigest");
    export_choice(s, "chaptype");
    export_text(s, "initiatoruser");
    export_text(s, "initiatorpass");
    export_network_type(s);
    export_network_addresses(s);
    export_choice(s, "preferredport");
    export_number(s, "vlanid");
    export_text(s, "targetname");
    export_number(s, "portalgroup");
    export_portals(s);
    export_number(s, "targetlun");
    export_address(s, "targetdiscoveryip");
    export_number(s, "targetdiscoveryport");
    export_text(s, "targetuser");
    export_text(s, "targetpass");
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
