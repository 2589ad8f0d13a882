// The address and portal settings, the subnet warnings, the order in which
// arguments see each other's effects, and the dispatch by name.
#include "assignment_test_support.h"

#include <array>
#include <string>

namespace {

using octets = std::array<std::uint8_t, 4>;

void set(std::uint8_t (&field)[4], const octets& value) {
    std::memcpy(field, value.data(), 4);
}

const std::string kIpMessage = "ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n";
const std::string kTagMessagePrefix = "ERROR: value's Portal Group Tag-number allowed is 1 or 2, ";
const std::string kPortalWarning =
    "Warning: Target IP is not on HBA's local network, and HBA default gateway IP is not set!";
const std::string kDiscoveryWarning =
    "Warning: Target discovery IP is not on HBA's local network, and HBA default gateway IP is not set!";

TEST_F(AssignmentTest, StaticIpAndMaskAreStoredInWrittenOrder) {
    expect_applied("staticip", "10.1.2.3", [](auto& r) { set(r.staticip, {10, 1, 2, 3}); });
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    EXPECT_EQ(bytes[0x06B], 0x0A);
    EXPECT_EQ(bytes[0x06E], 0x03);
    expect_applied("staticmask", "255.255.0.0", [](auto& r) { set(r.staticmask, {255, 255, 0, 0}); });
    expect_applied("staticmask", "0.0.0.0", [](auto& r) { set(r.staticmask, {0, 0, 0, 0}); });
}

TEST_F(AssignmentTest, RefusedAddressesLeaveTheFieldAsItWas) {
    for (const char* bad :
         {"0.1.2.3", "10.255.0.1", "10.0.0.255", "1.2.3", "1.2.3.1234", "192.168.1.300", "1.2.3.4.5", " 10.0.0.1"}) {
        expect_refused("staticip", bad, kIpMessage);
        expect_refused("targetdiscoveryip", bad,
                       "ERROR: Target IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n");
    }
    for (const char* bad : {"255.0.255.0", "255.255.255.1", "255.255", "a.b.c.d"}) {
        expect_refused("staticmask", bad,
                       "ERROR: Subnet mask should be of the notation A.B.C.D, and must be valid IPv4 Mask!\n");
    }
}

// The usage text promises that an empty value clears a setting: an address
// becomes 0.0.0.0, which means not set, and no warning is printed for it.
TEST_F(AssignmentTest, EmptyAddressesClearTheField) {
    set(record.staticgw, {192, 168, 1, 1});
    set(record.targetdiscoveryip, {10, 0, 0, 9});
    for (const char* name : {"staticip", "staticmask", "staticgw", "targetdiscoveryip"}) {
        expect_applied(name, "", [name](auto& r) {
            const std::string n = name;
            std::uint8_t* field = n == "staticip"     ? r.staticip
                                  : n == "staticmask" ? r.staticmask
                                  : n == "staticgw"   ? r.staticgw
                                                      : r.targetdiscoveryip;
            std::memset(field, 0, 4);
        });
    }
    // With the mask cleared the gateway is no longer judged by a subnet.
    expect_applied("staticip", "192.168.1.10", [](auto& r) { set(r.staticip, {192, 168, 1, 10}); });
    expect_applied("staticgw", "10.0.0.1", [](auto& r) { set(r.staticgw, {10, 0, 0, 1}); });
    // An empty portal address is no deletion: that is deleteportal's job.
    expect_refused("targetportal", "1@", kIpMessage);
}

TEST_F(AssignmentTest, GatewayMustBeInTheAdaptersSubnet) {
    expect_applied("staticgw", "192.168.1.1", [](auto& r) { set(r.staticgw, {192, 168, 1, 1}); });
    expect_applied("staticgw", "192.168.1.0", [](auto& r) { set(r.staticgw, {192, 168, 1, 0}); });
    expect_refused("staticgw", "192.168.2.1",
                   "ERROR: Gateway IP address should be in the same subnet as HBA's IP address!\n");
    expect_refused("staticgw", "0.168.1.1",
                   "ERROR: Gateway IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n");
    expect_refused("staticgw", "192.168.1",
                   "ERROR: Gateway IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n");
}

TEST_F(AssignmentTest, GatewayIsJudgedAgainstTheRecordAsEarlierSettingsLeftIt) {
    set(record.staticip, {0, 0, 0, 0});
    expect_applied("staticgw", "192.168.2.1", [](auto& r) { set(r.staticgw, {192, 168, 2, 1}); });
    expect_applied("staticip", "192.168.2.10", [](auto& r) { set(r.staticip, {192, 168, 2, 10}); });
    expect_refused("staticgw", "192.168.1.1",
                   "ERROR: Gateway IP address should be in the same subnet as HBA's IP address!\n");
    expect_applied("staticmask", "255.0.0.0", [](auto& r) { set(r.staticmask, {255, 0, 0, 0}); });
    expect_applied("staticgw", "192.168.1.1", [](auto& r) { set(r.staticgw, {192, 168, 1, 1}); });
}

TEST_F(AssignmentTest, DiscoveryIpWarnsWhenUnreachableOnAStaticNetwork) {
    expect_applied(
        "targetdiscoveryip", "10.0.0.1",
        [](auto& r) {
            set(r.targetdiscoveryip, {10, 0, 0, 1});
        },
        kDiscoveryWarning);
    expect_applied("targetdiscoveryip", "192.168.1.77", [](auto& r) { set(r.targetdiscoveryip, {192, 168, 1, 77}); });
    record.networktype = kNetworkDhcp;
    expect_applied("targetdiscoveryip", "10.0.0.2", [](auto& r) { set(r.targetdiscoveryip, {10, 0, 0, 2}); });
    record.networktype = kNetworkStatic;
    set(record.staticgw, {192, 168, 1, 1});
    expect_applied("targetdiscoveryip", "10.0.0.3", [](auto& r) { set(r.targetdiscoveryip, {10, 0, 0, 3}); });
    set(record.staticgw, {0, 0, 0, 0});
    set(record.staticmask, {0, 0, 0, 0});
    expect_applied("targetdiscoveryip", "10.0.0.4", [](auto& r) { set(r.targetdiscoveryip, {10, 0, 0, 4}); });
}

void set_portal(boot_settings_record& r, int number, const octets& ip, std::uint16_t port) {
    set(r.targetportal[number - 1].ip, ip);
    r.targetportal[number - 1].port = port;
}

TEST_F(AssignmentTest, TargetPortalSetsAddressAndPortAndKeepsReservedBytes) {
    record.networktype = kNetworkDhcp;
    expect_applied("targetportal", "2@10.1.1.5", [](auto& r) { set_portal(r, 2, {10, 1, 1, 5}, 3260); });
    expect_applied("targetportal", "1@10.1.1.5:860", [](auto& r) { set_portal(r, 1, {10, 1, 1, 5}, 860); });
    expect_applied("targetportal", "1@10.1.1.6:65535", [](auto& r) { set_portal(r, 1, {10, 1, 1, 6}, 65535); });
    expect_applied("targetportal", "1@10.1.1.7:1", [](auto& r) { set_portal(r, 1, {10, 1, 1, 7}, 1); });
    // Only the first 16 characters after "@" may hold the ":"; beyond them
    // the whole rest is the address, and an address is nothing but its octets.
    expect_refused("targetportal", "2@10.1.1.8 and more text:80", kIpMessage);
    expect_refused("targetportal", "2@10.1.1.9xx:80", kIpMessage);
    expect_applied("targetportal", "2@010.1.1.9:80", [](auto& r) { set_portal(r, 2, {10, 1, 1, 9}, 80); });
    // The default port lands as 0xBC, 0x0C at entry offset +4 (entry 2 at 0x0E9).
    expect_applied("targetportal", "2@192.168.0.10", [](auto& r) { set_portal(r, 2, {192, 168, 0, 10}, 3260); });
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    EXPECT_EQ(bytes[0x0E9 + 4], 0xBC);
    EXPECT_EQ(bytes[0x0E9 + 5], 0x0C);
}

TEST_F(AssignmentTest, TargetPortalRefusals) {
    const std::string format = "ERROR: value should be in the format <1|2>@<IP-address>:<TCP-port>";
    const std::string port = "ERROR: Target portal TCP port should be an integer number from 1 to 65535!\n";
    expect_refused("targetportal", "10.1.1.5", format + "10.1.1.5!\n");
    expect_refused("targetportal", "", format + "!\n");
    expect_refused("targetportal", "12@10.1.1.5", format + "12@10.1.1.5!\n");
    for (const char* bad : {"3@10.1.1.5", "@10.1.1.5", "0@10.1.1.5", "x@10.1.1.5"}) {
        expect_refused("targetportal", bad, kTagMessagePrefix + bad + "!\n");
    }
    for (const char* bad : {"1@0.1.1.5", "1@10.1.1.255:80", "1@10.1.1", "1@", "2@10.1.1.5555"}) {
        expect_refused("targetportal", bad, kIpMessage);
    }
    for (const char* bad : {"1@10.1.1.5:", "1@10.1.1.5:0", "1@10.1.1.5:65536", "1@10.1.1.5:70000", "1@10.1.1.5:80x",
                            "1@10.1.1.5:-1", "1@10.1.1.5: 80"}) {
        expect_refused("targetportal", bad, port);
    }
}

TEST_F(AssignmentTest, TargetPortalWarnsWhenUnreachableOnAStaticNetwork) {
    expect_applied(
        "targetportal", "1@10.0.0.1",
        [](auto& r) {
            set_portal(r, 1, {10, 0, 0, 1}, 3260);
        },
        kPortalWarning);
    expect_applied("targetportal", "2@192.168.1.50:3260", [](auto& r) { set_portal(r, 2, {192, 168, 1, 50}, 3260); });
    expect_applied("targetfromdhcp", "on", [](auto& r) { r.networktype = 2; });
    expect_applied("targetportal", "2@10.0.0.2", [](auto& r) { set_portal(r, 2, {10, 0, 0, 2}, 3260); });
}

TEST_F(AssignmentTest, DeletePortalClearsTheWholeEntry) {
    auto clear = [](int number) {
        return [number](boot_settings_record& r) { std::memset(&r.targetportal[number - 1], 0, 8); };
    };
    expect_applied("deleteportal", "2", clear(2));
    expect_applied("deleteportal", "2", clear(2));
    record.targetportal[1].reserved[0] = 0x5A;
    expect_applied("deleteportal", "2", clear(2));
    const std::string first =
        "ERROR: cannot delete first portal group, when Target is not via DHCP! You can edit the portal group if "
        "required.\n";
    expect_refused("deleteportal", "1", first);
    record.networktype = kNetworkDhcp;
    expect_refused("deleteportal", "1", first);
    // Only the whole tag deletes: a typo must not delete portal 2.
    for (const char* bad : {"3", "0", "", "abc", "-2", "65538", "2x", " 2", "02x"}) {
        expect_refused("deleteportal", bad, kTagMessagePrefix + bad + "!\n");
    }
}

TEST_F(AssignmentTest, DeletingTheFirstPortalNeedsTargetFromDhcpFirst) {
    expect_applied("targetfromdhcp", "on", [](auto& r) { r.networktype = 2; });
    expect_applied("deleteportal", "1", [](auto& r) { std::memset(&r.targetportal[0], 0, 8); });
}

TEST_F(AssignmentTest, NamesAreMatchedExactlyWithinTheirLengthGroup) {
    for (const char* unknown : {"NetworkType", "VLANID", "", "foo", "vlanidx", "staticip2", "targetluna", "targetlunxy",
                                "targetpor", "targetdiscoveryportx"}) {
        expect_refused(unknown, "1", std::string("ERROR: unknown setting ") + unknown + "!\n");
    }
}

TEST_F(AssignmentTest, LongerNamesStartingWithTargetlunAreTargetlun) {
    expect_applied("targetlunabcde", "9", [](auto& r) { r.targetlun = 9; });
    expect_applied("targetlun_is_this", "10", [](auto& r) { r.targetlun = 10; });
    expect_applied("targetlun", "11", [](auto& r) { r.targetlun = 11; });
}

TEST_F(AssignmentTest, AbsentArgumentsAreRefusedNotDereferenced) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(apply_setting(nullptr, "vlanid", "1"), -1);
    EXPECT_EQ(apply_setting(&record, nullptr, "1"), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "ERROR: no settings record to apply setting vlanid to!\nERROR: unknown setting !\n");
}

}  // namespace
