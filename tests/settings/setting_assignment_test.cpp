// Applying settings in process. Every row of the settings table is probed
// by its kind with values made from the row: what it accepts lands in its
// field and nowhere else, what it refuses leaves the record as it was. Then
// scripts of settings=value steps, each seeing what the earlier ones left,
// say in the export's words what each step stores, or how it is refused.
#include "settings/setting_assignment.h"
#include "settings/ipv4_parser.h"
#include "settings/iscsi_name.h"
#include "settings/setting_table.h"
#include "settings/settings_export.h"
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every byte distinct from its neighbours so that a stray write shows, on a
// static adapter at 192.168.1.10/24 without a gateway.
boot_settings_record patterned_record() {
    boot_settings_record r;
    auto* p = reinterpret_cast<std::uint8_t*>(&r);
    for (std::size_t i = 0; i < sizeof r; ++i) {
        p[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    r.version = 0x0200;
    r.networktype = kNetworkStatic;
    put_ip(r.staticip, 192, 168, 1, 10);
    put_ip(r.staticmask, 255, 255, 255, 0);
    put_ip(r.staticgw, 0, 0, 0, 0);
    return r;
}

// Where two records first differ, for a readable failure.
testing::AssertionResult same_bytes(const boot_settings_record& actual, const boot_settings_record& expected) {
    const bytes a = record_bytes(actual);
    const bytes e = record_bytes(expected);
    const auto differ = std::mismatch(a.begin(), a.end(), e.begin());
    if (differ.first == a.end()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "record byte 0x" << std::hex << (differ.first - a.begin()) << " is 0x"
                                       << int{*differ.first} << ", expected 0x" << int{*differ.second};
}

struct outcome {
    int result;
    std::string err;
};

outcome apply(boot_settings_record& record, const std::string& name, const std::string& value) {
    testing::internal::CaptureStderr();
    const int result = apply_setting(&record, name.c_str(), value.c_str());
    return {result, testing::internal::GetCapturedStderr()};
}

// A value for a row, and the bytes its field then holds (none: refused).
struct probe {
    std::string value;
    bytes field;
};

bytes little_endian(std::uint32_t number, std::size_t size) {
    return size == 1 ? bytes{static_cast<std::uint8_t>(number)}
                     : bytes{static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8)};
}

bytes text_field(const std::string& text, std::size_t size) {
    bytes field(size, 0);
    std::copy(text.begin(), text.end(), field.begin());
    return field;
}

std::vector<probe> probes_of(const setting_row& row, const bytes& field_before) {
    std::vector<probe> probes = {{"", {}}};
    // A name setting takes iSCSI names alone: its longest is one.
    const std::string any_text(row.maximum, 'q');
    const std::string longest =
        is_name_setting(row) ? ("iqn.2001-04.com.example:" + any_text).substr(0, row.maximum) : any_text;
    const std::string shortest(row.minimum, 's');
    const std::string low = std::to_string(row.minimum);
    const std::string high = std::to_string(row.maximum);
    switch (row.kind) {
        case setting_kind::choice:
        case setting_kind::target_from_dhcp:
            for (const value_choice* c = row.choices; c->word != nullptr; ++c) {
                const std::uint8_t off = kNetworkStatic;  // the patterned record's, left alone
                const std::uint8_t stored = row.kind == setting_kind::choice ? c->stored
                                            : c->stored == 1                 ? std::uint8_t{kNetworkDhcpWithTarget}
                                                                             : off;
                probes.push_back({c->word, {stored}});
                probes.push_back({c->word + std::string("zz"), c->how == word_match::starts ? bytes{stored} : bytes{}});
            }
            break;
        case setting_kind::text:
        case setting_kind::secret:
            probes = {{"", bytes(row.field_size, 0)},
                      {longest, text_field(longest, row.field_size)},
                      {longest + "q", {}},
                      {shortest, row.minimum == 0 ? bytes(row.field_size, 0) : text_field(shortest, row.field_size)}};
            if (row.minimum > 1) {
                probes.push_back({shortest.substr(1), {}});
            }
            break;
        case setting_kind::number:
            probes = {{"", row.empty_clears ? bytes(row.field_size, 0) : bytes{}},
                      {low, little_endian(row.minimum, row.field_size)},
                      {"00" + high, little_endian(row.maximum, row.field_size)},
                      {std::to_string(row.maximum + 1), {}},
                      {"+" + low, {}},
                      {" " + low, {}},
                      {low + "x", {}}};
            if (row.minimum > 0) {
                probes.push_back({std::to_string(row.minimum - 1), {}});
            }
            break;
        case setting_kind::address:
            probes.front().field = bytes(4, 0);  // an empty value clears the address
            probes.push_back(row.ipv4_mode == kIpv4Mask ? probe{"255.255.254.0", {255, 255, 254, 0}}
                                                        : probe{"192.168.1.77", {192, 168, 1, 77}});
            probes.push_back({"1.2.3", {}});
            break;
        case setting_kind::portal: {
            // Portal 2's address and port, in written order and little-endian; its
            // reserved bytes and portal 1 as they were.
            bytes portals = field_before;
            const bytes entry = {192, 168, 1, 50, 0x5C, 0x03};
            std::copy(entry.begin(), entry.end(), portals.begin() + sizeof(portal_entry));
            probes = {{"2@192.168.1.50:860", portals}, {"1@", {}}};
            break;
        }
        case setting_kind::portal_tag: {
            bytes portals = field_before;
            std::fill(portals.begin() + sizeof(portal_entry), portals.end(), 0);
            probes = {{"2", portals}, {"3", {}}, {"", {}}};
            break;
        }
    }
    return probes;
}

// The row's refusal line for value, as typed under the row's own name.
std::string refusal_of(const setting_row& row, const std::string& value) {
    std::string line = row.message;
    const std::size_t fill = line.find("%s");
    if (fill != std::string::npos) {
        line.replace(fill, 2, row.fill == message_fill::name ? row.name : value);
    }
    return line;
}

TEST(AssignmentTable, EveryRowStoresWhatItAcceptsInItsFieldAlone) {
    for (const setting_row& row : setting_rows()) {
        const boot_settings_record start = patterned_record();
        const bytes before = record_bytes(start);
        const bytes field_before = bytes_of(before, row.field_offset, row.field_offset + row.field_size);
        for (const probe& p : probes_of(row, field_before)) {
            SCOPED_TRACE(std::string(row.name) + "=" + p.value);
            boot_settings_record record = start;
            const outcome got = apply(record, row.name, p.value);
            boot_settings_record expected = start;
            if (p.field.empty()) {
                EXPECT_EQ(got.result, -1);
                EXPECT_EQ(got.err, refusal_of(row, p.value));
            } else {
                EXPECT_EQ(got.result, 0);
                EXPECT_EQ(got.err, "");
                std::copy(p.field.begin(), p.field.end(),
                          reinterpret_cast<std::uint8_t*>(&expected) + row.field_offset);
            }
            EXPECT_TRUE(same_bytes(record, expected));
        }
    }
}

struct name_case {
    const char* value;
    bool accepted;
};

const name_case kNames[] = {
    {"iqn.2001-04.com.example", true},
    {"iqn.2001-04.com.example:storage.disk1-sys1:xyz", true},
    {"IQN.1991-05.COM.Example:Host-01", true},  // stored as typed
    {"iqn.2026-12.example", true},
    {"eui.02004567A425678D", true},
    {"naa.52004567ba64678d", true},
    {"naa.62004567BA64678D0123456789ABCDEF", true},
    {"foo", false},
    {"iqn2001-04.com.example", false},
    {"iqn.2001-4.com.example", false},
    {"iqn.2001-00.com.example", false},
    {"iqn.2001-13.com.example", false},
    {"iqn.01-04.com.example", false},
    {"iqn.2001-04", false},
    {"iqn.2001-04.", false},
    {"iqn.2001-04.com..example", false},
    {"iqn.2001-04.com.example.:disk", false},
    {"iqn.2001-04.com_example", false},
    {"iqn.2001-04.com.example:host_1", false},
    {"iqn.2001-04.com.example:host 1", false},
    {" iqn.2001-04.com.example", false},
    {"eui.02004567A425678", false},
    {"eui.02004567A425678D0", false},
    {"eui.02004567A425678G", false},
    {"eui.", false},
    {"naa.52004567BA64678D0", false},
    {"naa.52004567BA64678D01234567", false},
    {"ieee.52004567BA64678D", false},
};

// The name settings take an iSCSI name in each of its three forms, in
// either letter case, and refuse anything else with the record untouched.
TEST(AssignmentTable, NameSettingsTakeIscsiNamesOnly) {
    for (const char* setting : {"initiatorname", "targetname"}) {
        const setting_row& row = *find_setting_row(setting);
        const std::string message = std::string("ERROR: ") + setting +
                                    " must be an iSCSI name: iqn.yyyy-mm.reversed.domain[:text], eui. and 16 "
                                    "hexadecimal digits, or naa. and 16 or 32 hexadecimal digits!\n";
        for (const name_case& c : kNames) {
            SCOPED_TRACE(std::string(setting) + "=" + c.value);
            boot_settings_record record = patterned_record();
            boot_settings_record expected = record;
            const outcome got = apply(record, setting, c.value);
            EXPECT_EQ(got.result, c.accepted ? 0 : -1);
            EXPECT_EQ(got.err, c.accepted ? "" : message);
            if (c.accepted) {  // stored as typed
                const bytes field = text_field(c.value, row.field_size);
                std::copy(field.begin(), field.end(), reinterpret_cast<std::uint8_t*>(&expected) + row.field_offset);
            }
            EXPECT_TRUE(same_bytes(record, expected));
        }
    }
}

const std::string kIpMessage = "ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n";
const std::string kTagMessage = "ERROR: value's Portal Group Tag-number allowed is 1 or 2, ";
const std::string kFirstPortal =
    "ERROR: cannot delete first portal group, when Target is not via DHCP! You can edit the portal group if "
    "required.\n";

std::string on_off(const std::string& name) {
    return "ERROR: only on / off or 1 / 0 allowed as value for setting " + name + "!\n";
}

// Settings and what follows each: the line the export then shows for the
// record (with the warning the setting printed), or the refusal line.
struct step {
    std::string setting;
    std::vector<std::string> values;
    std::string outcome;
    std::string warning = "";
};

// Applies the steps in order to a configured record (static, 10.0.0.5/24,
// gateway 10.0.0.1, both portals set), each value of a step in turn.
void run_steps(const std::vector<step>& steps) {
    boot_settings_record record = configured_record();
    for (const step& s : steps) {
        for (const std::string& value : s.values) {
            SCOPED_TRACE(s.setting + "=" + value);
            const boot_settings_record before = record;
            const outcome got = apply(record, s.setting, value);
            if (s.outcome.starts_with("ERROR: ")) {
                EXPECT_EQ(got.result, -1);
                EXPECT_EQ(got.err, s.outcome);
                EXPECT_TRUE(same_bytes(record, before));
            } else {
                EXPECT_EQ(got.result, 0);
                EXPECT_EQ(got.err, s.warning);
                const std::vector<std::string> lines = export_settings(record).lines;
                EXPECT_NE(std::find(lines.begin(), lines.end(), s.outcome), lines.end());
            }
        }
    }
}

// What the choice lists do not say: which words match on their start,
// which flag is inverted, what the target from DHCP does to the network
// type, and near misses that are refused.
TEST(AssignmentSteps, WordsStoreWhatTheyMean) {
    run_steps({
        {"networktype", {"DHCP", "1"}, "ERROR: only dhcp / static allowed as value for setting networktype!\n"},
        {"bootenabled", {"nope", "0"}, "bootenabled=no"},
        {"bootenabled", {"yesterday", "10"}, "bootenabled=yes"},
        {"bootenabled", {"true", " yes"}, "ERROR: BIOS enable / disable value can be yes/no or 1/0!\n"},
        {"preferredport", {"2", "anyway"}, "ERROR: Preferred port can be only any or 0 or 1!\n"},
        {"chaptype", {"one-way", "mutually", "2"}, "ERROR: CHAP type can be only none, oneway or mutual!\n"},
        {"datadigest", {"offline"}, "datadigest=off"},
        {"datadigest", {"onx", "01", "yes"}, on_off("datadigest")},
        {"headerdigest", {"offline", "10"}, on_off("headerdigest")},
        // The flag is inverted: on (the OS initiator is used) stores 0.
        {"oskorvaneini", {"no"}, "oskorvaneini=off"},
        {"oskorvaneini", {"yes"}, "oskorvaneini=on"},
        {"oskorvaneini", {"yesterday", "nope"}, on_off("oskorvaneini")},
        // On selects network type 2; off steps back from it to plain DHCP
        // and leaves any other network type alone.
        {"targetfromdhcp", {"1"}, "targetfromdhcp=on"},
        {"targetfromdhcp", {"off"}, "networktype=dhcp"},
        {"targetfromdhcp", {"on"}, "targetfromdhcp=on"},
        {"networktype", {"dhcp"}, "networktype=dhcp"},
        {"targetfromdhcp", {"off"}, "networktype=dhcp"},
        {"networktype", {"static"}, "networktype=static"},
        {"targetfromdhcp", {"0"}, "networktype=static"},
        {"targetfromdhcp", {"yes", "ON"}, on_off("targetfromdhcp")},
    });
}

// Texts up to their bound and numbers of nothing but digits inside their
// range; a value that used to be cut to the field's width is refused.
TEST(AssignmentSteps, TextsAndNumbers) {
    const std::string secret = "ERROR: CHAP secret can be only 12 - 16 characters in length!\n";
    run_steps({
        {"initiatorname", {"iqn.2001-04.com.example:boot"}, "initiatorname=iqn.2001-04.com.example:boot"},
        {"initiatorname", {""}, "initiatorname="},
        {"initiatorname", {std::string(96, 'q')}, "ERROR: Initiator IQN name too long!\n"},
        {"targetname", {std::string(99, 'q')}, "ERROR: Target IQN name too long!\n"},
        {"initiatoruser", {std::string(64, 'q')}, "ERROR: CHAP username too long!\n"},
        {"targetuser", {std::string(64, 'q')}, "ERROR: CHAP username too long!\n"},
        {"initiatorpass", {std::string(11, 's')}, secret},
        {"targetpass", {std::string(17, 's')}, secret},
        {"targetpass", {""}, "targetpass="},
        {"portalgroup", {"007"}, "portalgroup=7"},
        {"portalgroup",
         {"0", "-1", "99999999999999999999"},
         "ERROR: Portal Group Tag should be positive integer number!\n"},
        {"targetlun", {""}, "targetlun=0"},
        {"targetlun", {"4294967340", "1 "}, "ERROR: Target LUN should be an integer number from 0 to 255!\n"},
        {"targetdiscoveryport",
         {"-3260", "70000"},
         "ERROR: Target discovery TCP port should be an integer number from 1 to 65535!\n"},
        {"vlanid", {""}, "vlanid=0"},
        {"vlanid",
         {"4095", "65537", "0x10"},
         "ERROR: VLAN ID needs to be between 1 and 4094 or 0 to clear the VLAN ID!\n"},
        // Names longer than "targetlun" that begin with it are targetlun.
        {"targetlunabcde", {"9"}, "targetlun=9"},
        {"targetlun_is_this", {"10"}, "targetlun=10"},
    });
}

// The gateway is judged against the record as the earlier steps left it; an
// empty value clears an address and is judged by no subnet.
TEST(AssignmentSteps, AddressesAndTheirSubnet) {
    const std::string subnet = "ERROR: Gateway IP address should be in the same subnet as HBA's IP address!\n";
    const std::string discovery =
        "Warning: Target discovery IP is not on HBA's local network, and HBA default gateway IP is not set!";
    run_steps({
        {"staticgw", {""}, "staticgw="},
        {"staticip", {"192.168.1.10"}, "staticip=192.168.1.10"},
        {"staticgw", {"192.168.1.1"}, "staticgw=192.168.1.1"},
        {"staticgw", {"192.168.2.1"}, subnet},
        {"staticgw",
         {"0.168.1.1", "192.168.1"},
         "ERROR: Gateway IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n"},
        {"staticip", {""}, "staticip="},
        {"staticgw", {"192.168.2.1"}, "staticgw=192.168.2.1"},
        {"staticip", {"192.168.2.10"}, "staticip=192.168.2.10"},
        {"staticgw", {"192.168.1.1"}, subnet},
        {"staticmask", {"255.0.0.0"}, "staticmask=255.0.0.0"},
        {"staticgw", {"192.168.1.1"}, "staticgw=192.168.1.1"},
        {"staticmask", {""}, "staticmask="},
        {"staticgw", {"10.0.0.1"}, "staticgw=10.0.0.1"},
        // A discovery address outside the subnet of a static adapter
        // without a gateway warns; DHCP, a gateway or no subnet do not.
        {"staticmask", {"255.255.255.0"}, "staticmask=255.255.255.0"},
        {"staticgw", {""}, "staticgw="},
        {"targetdiscoveryip", {"10.0.0.1"}, "targetdiscoveryip=10.0.0.1", discovery},
        {"targetdiscoveryip", {"192.168.2.77"}, "targetdiscoveryip=192.168.2.77"},
        {"networktype", {"dhcp"}, "networktype=dhcp"},
        {"targetdiscoveryip", {"10.0.0.2"}, "targetdiscoveryip=10.0.0.2"},
        {"networktype", {"static"}, "networktype=static"},
        {"staticgw", {"192.168.2.1"}, "staticgw=192.168.2.1"},
        {"targetdiscoveryip", {"10.0.0.3"}, "targetdiscoveryip=10.0.0.3"},
        {"staticgw", {""}, "staticgw="},
        {"staticmask", {""}, "staticmask="},
        {"targetdiscoveryip", {"10.0.0.4"}, "targetdiscoveryip=10.0.0.4"},
        {"targetdiscoveryip", {""}, "targetdiscoveryip="},
    });
}

TEST(AssignmentSteps, PortalsAndTheirDeletion) {
    run_steps({
        {"staticgw", {""}, "staticgw="},
        {"targetportal", {"1@10.0.0.77"}, "targetportal=1@10.0.0.77:3260"},
        {"targetportal",
         {"2@10.1.1.5"},
         "targetportal=2@10.1.1.5:3260",
         "Warning: Target IP is not on HBA's local network, and HBA default gateway IP is not set!"},
        {"targetfromdhcp", {"on"}, "targetfromdhcp=on"},
        {"targetportal", {"2@10.1.1.6"}, "targetportal=2@10.1.1.6:3260"},
        {"targetportal", {"1@10.1.1.5:860"}, "targetportal=1@10.1.1.5:860"},
        {"targetportal", {"1@10.1.1.6:65535"}, "targetportal=1@10.1.1.6:65535"},
        {"targetportal", {"1@10.1.1.7:1"}, "targetportal=1@10.1.1.7:1"},
        // Only the first 16 characters after "@" may hold the ":"; beyond
        // them the whole rest is the address, and an address is nothing but
        // its octets. An empty address is no deletion: that is deleteportal's.
        {"targetportal", {"2@10.1.1.8 and more text:80", "2@10.1.1.9xx:80", "1@"}, kIpMessage},
        {"targetportal", {"2@010.1.1.9:80"}, "targetportal=2@10.1.1.9:80"},
        {"deleteportal", {"2", "2"}, "deleteportal=2"},
        {"deleteportal", {"1"}, "deleteportal=1"},
        {"targetportal", {"1@10.1.1.1"}, "targetportal=1@10.1.1.1:3260"},
        {"networktype", {"dhcp"}, "networktype=dhcp"},
        {"deleteportal", {"1"}, kFirstPortal},
        {"networktype", {"static"}, "networktype=static"},
        {"deleteportal", {"1"}, kFirstPortal},
    });
}

// The address forms are the parser's; what the portal adds to them is
// checked here.
TEST(AssignmentSteps, RefusedPortalsTagsAndNamesChangeNothing) {
    std::vector<step> steps = {
        {"targetportal", {"1@0.1.1.5", "1@10.1.1.255:80", "1@10.1.1", "2@10.1.1.5555"}, kIpMessage},
        {"targetportal",
         {"1@10.1.1.5:", "1@10.1.1.5:0", "1@10.1.1.5:65536", "1@10.1.1.5:70000", "1@10.1.1.5:80x", "1@10.1.1.5:-1",
          "1@10.1.1.5: 80"},
         "ERROR: Target portal TCP port should be an integer number from 1 to 65535!\n"},
    };
    for (const char* bad : {"10.1.1.5", "", "12@10.1.1.5"}) {
        steps.push_back(
            {"targetportal",
             {bad},
             std::string("ERROR: value should be in the format <1|2>@<IP-address>:<TCP-port>") + bad + "!\n"});
    }
    // Only the whole tag deletes: a typo must not delete portal 2.
    for (const char* bad : {"3@10.1.1.5", "@10.1.1.5", "0@10.1.1.5", "x@10.1.1.5"}) {
        steps.push_back({"targetportal", {bad}, kTagMessage + bad + "!\n"});
    }
    for (const char* bad : {"3", "0", "", "abc", "-2", "65538", "2x", " 2", "02x"}) {
        steps.push_back({"deleteportal", {bad}, kTagMessage + bad + "!\n"});
    }
    for (const char* unknown : {"NetworkType", "VLANID", "", "foo", "vlanidx", "staticip2", "targetluna", "targetlunxy",
                                "targetpor", "targetdiscoveryportx"}) {
        steps.push_back({unknown, {"1"}, std::string("ERROR: unknown setting ") + unknown + "!\n"});
    }
    run_steps(steps);
}

TEST(AssignmentSteps, AbsentArgumentsAreRefusedNotDereferenced) {
    boot_settings_record record = configured_record();
    testing::internal::CaptureStderr();
    EXPECT_EQ(apply_setting(nullptr, "vlanid", "1"), -1);
    EXPECT_EQ(apply_setting(&record, nullptr, "1"), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "ERROR: no settings record to apply setting vlanid to!\nERROR: unknown setting !\n");
}

}  // namespace
