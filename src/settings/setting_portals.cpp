// The two target portals: targetportal=n@address[:port] sets entry n,
// deleteportal=n clears it. Entries are numbered 1 and 2, the portal group
// tag numbers the operator sees.
#include "settings/setting_handlers.h"

#include "settings/ipv4_parser.h"
#include "settings/setting_numbers.h"

#include <cstdio>
#include <cstring>

namespace {

// The tag number is the single character before "@".
constexpr std::size_t kTagWindow = 2;
// An address is at most 15 characters (255.255.255.255), so its ":" must be
// within the first 16 characters after the "@".
constexpr std::size_t kAddressWindow = 16;

constexpr const char* kTagMessage = "ERROR: value's Portal Group Tag-number allowed is 1 or 2, %s!\n";

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
bool parse_portal_port(const char* colon, std::uint16_t* port) {
    if (colon == nullptr) {
        *port = kDefaultIscsiPort;
        return true;
    }
    std::uint32_t number = 0;
    if (!parse_decimal_in_range(colon + 1, 1, 65535, &number)) {
        return false;
    }
    *port = static_cast<std::uint16_t>(number);
    return true;
}

}  // namespace

int apply_targetportal(boot_settings_record& record, const char*, const char* value) {
    const auto* at = static_cast<const char*>(std::memchr(value, '@', strnlen(value, kTagWindow)));
    if (at == nullptr) {
        std::fprintf(stderr, "ERROR: value should be in the format <1|2>@<IP-address>:<TCP-port>%s!\n", value);
        return -1;
    }
    const int index = portal_index(value, static_cast<std::size_t>(at - value));
    if (index < 0) {
        std::fprintf(stderr, kTagMessage, value);
        return -1;
    }
    const char* address = at + 1;
    const auto* colon = static_cast<const char*>(std::memchr(address, ':', strnlen(address, kAddressWindow)));
    std::uint8_t ip[4] = {};
    if (!parse_portal_address(address, colon, ip)) {
        std::fputs("ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n", stderr);
        return -1;
    }
    std::uint16_t port = 0;
    if (!parse_portal_port(colon, &port)) {
        std::fputs("ERROR: Target portal TCP port should be an integer number from 1 to 65535!\n", stderr);
        return -1;
    }
    // The entry's reserved bytes belong to the firmware and stay as read.
    portal_entry& entry = record.targetportal[index];
    std::memcpy(entry.ip, ip, sizeof ip);
    entry.port = port;
    warn_if_unreachable(record, entry.ip,
                        "Warning: Target IP is not on HBA's local network, and HBA default gateway IP is not set!");
    return 0;
}

// Portal 1 is the boot target's only portal unless DHCP supplies the target,
// so it may be deleted only with network type 2; otherwise it can be edited.
// The whole value must be the tag: read as a leading number, 65538 or "2x"
// would delete portal 2 on a typo.
int apply_deleteportal(boot_settings_record& record, const char*, const char* value) {
    std::uint32_t tag = 0;
    const int index = parse_decimal_in_range(value, 1, 2, &tag) ? static_cast<int>(tag) - 1 : -1;
    if (index < 0) {
        std::fprintf(stderr, kTagMessage, value);
        return -1;
    }
    if (index == 0 && record.networktype != kNetworkDhcpWithTarget) {
        std::fputs(
            "ERROR: cannot delete first portal group, when Target is not via DHCP! You can edit the portal "
            "group if required.\n",
            stderr);
        return -1;
    }
    std::memset(&record.targetportal[index], 0, sizeof(portal_entry));
    return 0;
}
