// Flash contents for emulated adapters, built from the record's own fields:
// erased flash, an Option ROM start with a $DM$ header, and boot settings
// records as an operator would have configured them.
#pragma once

#include "settings/boot_settings_record.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline constexpr std::size_t kFlashBytes = 0x80000;
inline constexpr std::size_t kRecordOffset = 0x30000;

inline std::vector<std::uint8_t> erased_flash() {
    return std::vector<std::uint8_t>(kFlashBytes, 0xFF);
}

// An Option ROM start: the signature, filler, and "$DM$" with version
// major.minor.third at dm_offset (no header when dm_offset is negative).
inline void put_option_rom(std::vector<std::uint8_t>* flash, long dm_offset, std::uint8_t major = 2,
                           std::uint8_t minor = 5, std::uint16_t third = 12) {
    for (std::size_t i = 0; i < 0x1000; ++i) {
        (*flash)[i] = static_cast<std::uint8_t>(0x20 + i % 64);  // never '$'
    }
    (*flash)[0] = 0x55;
    (*flash)[1] = 0xAA;
    if (dm_offset >= 0) {
        std::uint8_t* h = flash->data() + dm_offset;
        std::memcpy(h, "$DM$", 4);
        h[4] = minor;
        h[5] = major;
        h[6] = static_cast<std::uint8_t>(third & 0xFF);
        h[7] = static_cast<std::uint8_t>(third >> 8);
        for (int i = 8; i < 16; ++i) {
            h[i] = static_cast<std::uint8_t>(0xA0 + i);
        }
    }
}

inline void put_record(std::vector<std::uint8_t>* flash, const boot_settings_record& record) {
    std::memcpy(flash->data() + kRecordOffset, &record, sizeof record);
}

inline boot_settings_record record_from_flash(const std::vector<std::uint8_t>& flash) {
    boot_settings_record record;
    std::memcpy(&record, flash.data() + kRecordOffset, sizeof record);
    return record;
}

inline boot_settings_record erased_record() {
    boot_settings_record record;
    std::memset(&record, 0xFF, sizeof record);
    return record;
}

template <std::size_t N>
void put_text(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

inline void put_ip(std::uint8_t (&field)[4], std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    field[0] = a;
    field[1] = b;
    field[2] = c;
    field[3] = d;
}

inline void put_portal(portal_entry* entry, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                       std::uint16_t port) {
    put_ip(entry->ip, a, b, c, d);
    entry->port = port;
    entry->reserved[0] = 0;
    entry->reserved[1] = 0;
}

// A fully configured record: static addressing, mutual CHAP, both portals.
inline boot_settings_record configured_record() {
    boot_settings_record r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.magic, kSettingsMagic, sizeof r.magic);
    r.flag = 1;
    r.length = kSettingsRecordLength;
    r.reserved_07 = 0x5A;
    r.version = 0x0200;
    put_text(r.initiatorname, "iqn.2001-04.com.example:host1");
    r.networktype = kNetworkStatic;
    put_ip(r.staticip, 10, 0, 0, 5);
    put_ip(r.staticmask, 255, 255, 255, 0);
    put_ip(r.staticgw, 10, 0, 0, 1);
    r.reserved_77 = 0x77;
    r.headerdigest = 1;
    r.datadigest = 0;
    put_text(r.targetname, "iqn.2001-04.com.example:storage");
    put_ip(r.targetdiscoveryip, 10, 0, 0, 9);
    r.targetdiscoveryport = 3260;
    r.reserved_e0 = 0xE0;
    put_portal(&r.targetportal[0], 10, 0, 0, 1, 3260);
    put_portal(&r.targetportal[1], 10, 0, 0, 2, 860);
    r.portalgroup = 1;
    r.targetlun = 3;
    r.chaptype = kChapMutual;
    put_text(r.initiatoruser, "hostuser");
    put_text(r.initiatorpass, "hostsecret12");
    put_text(r.targetuser, "targetuser");
    put_text(r.targetpass, "targetsecret");
    r.reserved_1b4 = 0xB4;
    r.preferredport = 1;
    r.reserved_1b6[0] = 0xB6;
    r.reserved_1b6[1] = 0xB7;
    r.vlanid = 12;
    r.bootenabled = 1;
    r.oskorvaneini = 0;
    return r;
}

inline const char kRule[] = "______________________________________________________________________\n";

// What the display prints for configured_record(), written out line by line.
inline std::string configured_record_display() {
    const std::string rule = kRule;
    return std::string("\n\tAdapter settings\n") +
           "\niSCSI Boot enabled: \t\tyes\n"
           "\nKorvane OS initiator: \t\tyes\n"
           "\n\tInitiator iSCSI settings\n" +
           rule +
           "Initiator name: \t\tiqn.2001-04.com.example:host1\n"
           "Header Digest: \t\t\tenabled\n"
           "Data Digest: \t\t\tdisabled\n"
           "\n\tInitiator CHAP authentication\n" +
           rule +
           "CHAP authentication type: \tmutual\n"
           "Initiator CHAP authentication: \tenabled\n"
           "Initiator CHAP user: \t\thostuser\n"
           "Initiator CHAP secret: \t\thostsecret12\n"
           "\n\tInitiator Network settings\n" +
           rule +
           "IP address type: \t\tstatic\n"
           "IP address: \t\t\t10.0.0.5\n"
           "Subnet Mask: \t\t\t255.255.255.0\n"
           "Gateway: \t\t\t10.0.0.1\n"
           "Preferred port: \t\t1\n"
           "VLAN ID: \t\t\t12\n"
           "\n\tBoot Target settings\n" +
           rule +
           "Target name: \t\t\tiqn.2001-04.com.example:storage\n"
           "Target via DHCP: \t\tdisabled\n"
           "Preferred Portal Group: \t1\n"
           "Target Portals: \t\t1:10.0.0.1@3260,2:10.0.0.2@860"
           "\nTarget Boot LUN: \t\t3\n"
           "Discovery IP address: \t\t10.0.0.9\n"
           "Discovery TCP port: \t\t3260\n"
           "Target CHAP authentication: \tenabled\n"
           "Target CHAP username: \t\ttargetuser\n"
           "Target CHAP secret: \t\ttargetsecret\n";
}

// What the display prints for an erased settings sector.
inline std::string erased_record_display() {
    const std::string rule = kRule;
    return std::string("\n\tAdapter settings\n") +
           "\niSCSI Boot enabled: \t\tyes\n"
           "\nKorvane OS initiator: \t\tno\n"
           "\n\tInitiator iSCSI settings\n" +
           rule +
           "Initiator name:\n"
           "Header Digest: \t\t\tenabled\n"
           "Data Digest: \t\t\tenabled\n"
           "\n\tInitiator CHAP authentication\n" +
           rule +
           "CHAP authentication type: \tnot set\n"
           "Initiator CHAP user:\t\tnot set\n"
           "Initiator CHAP secret:\t\tnot set\n"
           "\n\tInitiator Network settings\n" +
           rule +
           "IP address type: \t\tDHCP\n"
           "Preferred port: \t\tany\n"
           "VLAN ID: \t\t\t65535\n"
           "\n\tBoot Target settings\n" +
           rule +
           "Target name:\n"
           "Target via DHCP: \t\tdisabled\n"
           "Preferred Portal Group: \t255\n"
           "Target Portals: \t\t"
           "\nTarget Boot LUN: \t\t255\n"
           "Discovery IP address: \t\t255.255.255.255\n"
           "Discovery TCP port: \t\t65535\n"
           "Target CHAP authentication: \tdisabled\n"
           "Target CHAP username:\t\tnot set\n"
           "Target CHAP secret:\t\tnot set\n";
}
