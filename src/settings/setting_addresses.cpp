// The IPv4 settings of the adapter and of the discovery target. Each address
// is parsed into a scratch copy and stored only when accepted, so a refused
// value leaves the field as it was.
#include "settings/setting_handlers.h"

#include "settings/ipv4_parser.h"

#include <cstdio>
#include <cstring>

namespace {

int refuse(const char* message) {
    std::fputs(message, stderr);
    return -1;
}

// Parses value in mode into field; the adapter's own address and mask are
// only consulted for a gateway.
int parse_into(std::uint8_t (&field)[4], const char* value, int mode, const boot_settings_record& record) {
    std::uint8_t parsed[4] = {};
    const int result = parse_ipv4(value, mode, parsed, record.staticip, record.staticmask);
    if (result == kIpv4Ok) {
        std::memcpy(field, parsed, sizeof parsed);
    }
    return result;
}

bool is_unset(const std::uint8_t address[4]) {
    return address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] == 0;
}

bool on_local_network(const boot_settings_record& record, const std::uint8_t target[4]) {
    for (int i = 0; i < 4; ++i) {
        if ((record.staticip[i] & record.staticmask[i]) != (target[i] & record.staticmask[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

// With DHCP the adapter learns its subnet and router at boot, so only a
// static configuration can be judged here.
void warn_if_unreachable(const boot_settings_record& record, const std::uint8_t target[4], const char* warning) {
    if (record.networktype == kNetworkStatic && !on_local_network(record, target) && is_unset(record.staticgw)) {
        std::fputs(warning, stderr);
    }
}

int apply_staticip(boot_settings_record& record, const char*, const char* value) {
    if (parse_into(record.staticip, value, kIpv4Address, record) != kIpv4Ok) {
        return refuse("ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n");
    }
    return 0;
}

int apply_staticmask(boot_settings_record& record, const char*, const char* value) {
    if (parse_into(record.staticmask, value, kIpv4Mask, record) != kIpv4Ok) {
        return refuse("ERROR: Subnet mask should be of the notation A.B.C.D, and must be valid IPv4 Mask!\n");
    }
    return 0;
}

// The gateway is judged against the address and mask in the record right
// now, so their order on the command line matters.
int apply_staticgw(boot_settings_record& record, const char*, const char* value) {
    const int result = parse_into(record.staticgw, value, kIpv4Gateway, record);
    if (result == kIpv4OutsideSubnet) {
        return refuse("ERROR: Gateway IP address should be in the same subnet as HBA's IP address!\n");
    }
    if (result != kIpv4Ok) {
        return refuse("ERROR: Gateway IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n");
    }
    return 0;
}

int apply_targetdiscoveryip(boot_settings_record& record, const char*, const char* value) {
    if (parse_into(record.targetdiscoveryip, value, kIpv4Address, record) != kIpv4Ok) {
        return refuse("ERROR: Target IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n");
    }
    warn_if_unreachable(record, record.targetdiscoveryip,
                        "Warning: Target discovery IP is not on HBA's local network, and HBA default gateway IP is "
                        "not set!");
    return 0;
}
