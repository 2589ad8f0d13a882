// The IPv4 settings and the two target portals. Each address is parsed into
// a scratch copy and stored only when accepted, so a refused value leaves the
// field as it was.
#include "settings/setting_addresses.h"

#include "platform/refusal.h"
#include "settings/ipv4_parser.h"
#include "settings/setting_numbers.h"
#include "settings/setting_refusal.h"

#include <cstdio>
#include <cstring>

namespace {

// The tag number is the single character before "@".
constexpr std::size_t kTagWindow = 2;
// An address is at most 15 characters (255.255.255.255), so its ":" must be
// within the first 16 characters after the "@".
constexpr std::size_t kAddressWindow = 16;

constexpr const char* kTagMessage = "ERROR: value's Portal Group Tag-number allowed is 1 or 2, %s!\n";

// With DHCP the adapter learns its subnet and router at boot, so only a
// static configuration can be judged here: with no gateway set, a target
// outside the adapter's own subnet cannot be reached. Warn (without a
// newline) but accept.
void warn_if_unreachable(const boot_settings_record& record, const std::uint8_t target[4], const char* warning) {
    if (record.networktype == kNetworkStatic && !same_subnet(record.staticip, target, record.staticmask) &&
        is_unset_ipv4(record.staticgw)) {
        std::fputs(warning, stderr);
    }
}

// The tag is read like any leading number and only its low 16 bits count;
// anything but 1 or 2 names no entry. Returns the entry index, or -1.
int portal_index(const char* text, std::size_t length) {
    const auto tag = static_cast<std::uint32_t>(leading_number(text, length)) & 0xFFFF;
    return (tag == 1 || tag == 2) ? static_cast<int>(tag) - 1 : -1;
}

// The address part, which ends at the ":" when there is one.
bool parse_portal_address(const char* address, const char* colon, std::uint8_t (&ip)[4]) {
    char text[kAddressWindow] = {};
    if (colon != nullptr) {
        std::memcpy(text, address, static_cast<std::size_t>(colon - address));
        address = text;
    }
    return parse_ipv4(address, kIpv4Address, ip, nullptr, nullptr) == kIpv4Ok;
}

// A port after ":" must be a whole TCP port number: cutting it to 16 bits
// or reading an empty port as 0 would store a port nobody asked for.
bool parse_portal_port(const setting_row& row, const char* colon, std::uint16_t* port) {
    if (colon == nullptr) {
        *port = kDefaultIscsiPort;
        return true;
    }
    std::uint32_t number = 0;
    if (!parse_decimal_in_range(colon + 1, row.minimum, row.maximum, &number)) {
        return false;
    }
    *port = static_cast<std::uint16_t>(number);
    return true;
}

}  // namespace

// An empty value clears the address to 0.0.0.0, which every reader takes for
// "not set" (a gateway of 0.0.0.0 is no gateway). The gateway is judged
// against the address and mask in the record right now, so their order on
// the command line matters.
int apply_address(boot_settings_record& record, const setting_row& row, const char* value) {
    std::uint8_t* field = setting_field(record, row);
    if (value[0] == '\0') {
        std::memset(field, 0, 4);
        return 0;
    }
    std::uint8_t parsed[4] = {};
    const int result = parse_ipv4(value, row.ipv4_mode, parsed, record.staticip, record.staticmask);
    if (result == kIpv4OutsideSubnet) {
        return refuse("ERROR: Gateway IP address should be in the same subnet as HBA's IP address!\n");
    }
    if (result != kIpv4Ok) {
        return refuse(row.message);
    }
    std::memcpy(field, parsed, sizeof parsed);
    if (row.warning != nullptr) {
        warn_if_unreachable(record, parsed, row.warning);
    }
    return 0;
}

// targetportal=n@address[:port]. An empty address is refused, not taken as
// a clear: an entry of 0.0.0.0 is a deleted entry, and deleting is
// deleteportal's job, with its rule for entry 1.
int apply_portal(boot_settings_record& record, const setting_row& row, const char* value) {
    const auto* at = static_cast<const char*>(std::memchr(value, '@', strnlen(value, kTagWindow)));
    if (at == nullptr) {
        return refuse_with("ERROR: value should be in the format <1|2>@<IP-address>:<TCP-port>%s!\n", value);
    }
    const int index = portal_index(value, static_cast<std::size_t>(at - value));
    if (index < 0) {
        return refuse_with(kTagMessage, value);
    }
    const char* address = at + 1;
    const auto* colon = static_cast<const char*>(std::memchr(address, ':', strnlen(address, kAddressWindow)));
    std::uint8_t ip[4] = {};
    if (!parse_portal_address(address, colon, ip)) {
        return refuse(row.message);
    }
    std::uint16_t port = 0;
    if (!parse_portal_port(row, colon, &port)) {
        return refuse("ERROR: Target portal TCP port should be an integer number from 1 to 65535!\n");
    }
    // The entry's reserved bytes belong to the firmware and stay as read.
    portal_entry& entry = record.targetportal[index];
    std::memcpy(entry.ip, ip, sizeof ip);
    entry.port = port;
    warn_if_unreachable(record, entry.ip, row.warning);
    return 0;
}

// Portal 1 is the boot target's only portal unless DHCP supplies the target,
// so it may be deleted only with network type 2; otherwise it can be edited.
// The whole value must be the tag: read as a leading number, 65538 or "2x"
// would delete portal 2 on a typo.
int apply_portal_tag(boot_settings_record& record, const setting_row& row, const char* value) {
    std::uint32_t tag = 0;
    if (!parse_decimal_in_range(value, row.minimum, row.maximum, &tag)) {
        return refuse_by_row(row, "", value);
    }
    const std::uint32_t index = tag - 1;
    if (index == 0 && record.networktype != kNetworkDhcpWithTarget) {
        return refuse(
            "ERROR: cannot delete first portal group, when Target is not via DHCP! You can edit the portal "
            "group if required.\n");
    }
    std::memset(&record.targetportal[index], 0, sizeof(portal_entry));
    return 0;
}
