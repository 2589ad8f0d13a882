// The settings block of the display command: five sections of labelled
// lines, every value taken from one field of the record as it lies in flash.
// An erased sector (all 0xFF) must render too, so every byte value has a
// rendering and nothing here can fail.
#include "settings/settings_display.h"

#include "settings/setting_meaning.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kRuleLine[] = "______________________________________________________________________\n";

// A text field and the two ways it is shown: the label that precedes its
// text, or the whole line that stands in for an empty field.
struct text_line {
    const char* label_when_set;
    const char* line_when_not_set;
};

constexpr text_line kInitiatorNameLine = {"Initiator name: \t\t", "Initiator name:\n"};
constexpr text_line kInitiatorUserLine = {"Initiator CHAP user: \t\t", "Initiator CHAP user:\t\tnot set\n"};
constexpr text_line kInitiatorSecretLine = {"Initiator CHAP secret: \t\t", "Initiator CHAP secret:\t\tnot set\n"};
constexpr text_line kTargetNameLine = {"Target name: \t\t\t", "Target name:\n"};
constexpr text_line kTargetUserLine = {"Target CHAP username: \t\t", "Target CHAP username:\t\tnot set\n"};
constexpr text_line kTargetSecretLine = {"Target CHAP secret: \t\t", "Target CHAP secret:\t\tnot set\n"};

// The CHAP type as the initiator section shows it. A value the utility never
// writes shows only the type line, as "not set".
struct chap_lines {
    const char* type_line;
    const char* initiator_line;  // nullptr: no such line
};

constexpr chap_lines kChapLines[] = {
    {"CHAP authentication type: \tNone\n", "Initiator CHAP authentication: \tdisabled\n"},
    {"CHAP authentication type: \tone-way\n", "Initiator CHAP authentication: \tenabled\n"},
    {"CHAP authentication type: \tmutual\n", "Initiator CHAP authentication: \tenabled\n"},
};
constexpr chap_lines kUnknownChapLines = {"CHAP authentication type: \tnot set\n", nullptr};

const char* enabled_text(bool on) {
    return on ? "enabled" : "disabled";
}

// Flash written by other tools need not hold a terminator inside a text
// field, so the text is bounded by the field's width, never by the next zero
// byte somewhere after it.
template <std::size_t Width>
void print_text_field(const text_line& line, const char (&field)[Width]) {
    if (!text_is_set(field)) {
        std::fputs(line.line_when_not_set, stdout);
        return;
    }
    std::printf("%s%.*s\n", line.label_when_set, static_cast<int>(strnlen(field, Width)), field);
}

void print_ipv4_line(const char* format, const std::uint8_t address[4]) {
    std::printf(format, address[0], address[1], address[2], address[3]);
}

void print_section_heading(const char* heading) {
    std::fputs(heading, stdout);
    std::fputs(kRuleLine, stdout);
}

void print_initiator_iscsi(const boot_settings_record& record) {
    print_section_heading("\n\tInitiator iSCSI settings\n");
    print_text_field(kInitiatorNameLine, record.initiatorname);
    std::printf("Header Digest: \t\t\t%s\n", enabled_text(flag_is_on(record.headerdigest)));
    std::printf("Data Digest: \t\t\t%s\n", enabled_text(flag_is_on(record.datadigest)));
}

void print_initiator_chap(const boot_settings_record& record) {
    print_section_heading("\n\tInitiator CHAP authentication\n");
    const chap_lines& lines =
        record.chaptype < sizeof kChapLines / sizeof kChapLines[0] ? kChapLines[record.chaptype] : kUnknownChapLines;
    std::fputs(lines.type_line, stdout);
    if (lines.initiator_line != nullptr) {
        std::fputs(lines.initiator_line, stdout);
    }
    print_text_field(kInitiatorUserLine, record.initiatoruser);
    print_text_field(kInitiatorSecretLine, record.initiatorpass);
}

void print_initiator_network(const boot_settings_record& record) {
    print_section_heading("\n\tInitiator Network settings\n");
    const bool is_static = record.networktype == kNetworkStatic;
    std::printf("IP address type: \t\t%s\n", is_static ? "static" : "DHCP");
    if (is_static) {
        print_ipv4_line("IP address: \t\t\t%d.%d.%d.%d\n", record.staticip);
        print_ipv4_line("Subnet Mask: \t\t\t%d.%d.%d.%d\n", record.staticmask);
        print_ipv4_line("Gateway: \t\t\t%d.%d.%d.%d\n", record.staticgw);
    }
    std::fputs("Preferred port: \t\t", stdout);
    if (record.preferredport == kPreferredPortAny) {
        std::fputs("any\n", stdout);
    } else {
        std::printf("%d\n", record.preferredport);
    }
    std::fputs("VLAN ID: \t\t\t", stdout);
    const std::uint16_t vlanid = record.vlanid;
    if (vlanid != 0) {
        std::printf("%d\n", vlanid);
    } else {
        std::fputs("not set\n", stdout);
    }
}

// Empty entries are skipped. Entry 2 always brings its comma, so a list
// with entry 1 skipped starts with one.
void print_portal_list(const boot_settings_record& record) {
    for (int k = 1; k <= kPortalCount; ++k) {
        const portal_entry& entry = portal_entry_at(record, k);
        if (portal_is_empty(entry)) {
            continue;
        }
        const std::uint16_t port = entry.port;
        std::printf("%s%d:%d.%d.%d.%d@%d", k > 1 ? "," : "", k, entry.ip[0], entry.ip[1], entry.ip[2], entry.ip[3],
                    port);
    }
}

void print_boot_target(const boot_settings_record& record) {
    print_section_heading("\n\tBoot Target settings\n");
    print_text_field(kTargetNameLine, record.targetname);
    const bool from_dhcp = target_from_dhcp(record);
    std::printf("Target via DHCP: \t\t%s\n", enabled_text(from_dhcp));
    if (from_dhcp) {
        std::fputs("Target settings (if DHCP 'root path' is not provided):\n", stdout);
    }
    std::printf("Preferred Portal Group: \t%d\n", record.portalgroup);
    std::fputs("Target Portals: \t\t", stdout);
    print_portal_list(record);
    // The leading newline ends the portal line.
    std::printf("\nTarget Boot LUN: \t\t%d\n", record.targetlun);
    print_ipv4_line("Discovery IP address: \t\t%d.%d.%d.%d\n", record.targetdiscoveryip);
    const std::uint16_t discovery_port = record.targetdiscoveryport;
    std::printf("Discovery TCP port: \t\t%d\n", discovery_port);
    std::printf("Target CHAP authentication: \t%s\n", enabled_text(record.chaptype == kChapMutual));
    print_text_field(kTargetUserLine, record.targetuser);
    print_text_field(kTargetSecretLine, record.targetpass);
}

}  // namespace

void print_settings(const boot_settings_record& record) {
    std::fputs("\n\tAdapter settings\n", stdout);
    std::fputs("\niSCSI Boot enabled: \t\t", stdout);
    // A version 1.0 record has another layout: nothing past this point would
    // mean what the labels say.
    if (is_version_1_0(record)) {
        std::fputs("yes\n", stdout);
        std::fputs("\nERROR: unsupported Option ROM version!\n", stdout);
        return;
    }
    std::fputs(flag_is_on(record.bootenabled) ? "yes\n" : "no\n", stdout);
    std::printf("\nKorvane OS initiator: \t\t%s", os_initiator_used(record) ? "yes\n" : "no\n");
    print_initiator_iscsi(record);
    print_initiator_chap(record);
    print_initiator_network(record);
    print_boot_target(record);
}
