// The settings block of the display, byte for byte: whole records (erased
// sector, a configured record, version 1.0) and the sections that change with
// the network type, the CHAP type, the portal entries and the text fields.
#include "settings/settings_display.h"
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string display(const boot_settings_record& record) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    print_settings(record);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    return out;
}

// The lines of one section: from after its heading and rule up to the next
// section heading (or the end).
std::string section(const std::string& out, const std::string& heading) {
    const std::string start_marker = heading + kRule;
    const std::size_t start = out.find(start_marker);
    if (start == std::string::npos) {
        return "<no section " + heading + ">";
    }
    const std::size_t body = start + start_marker.size();
    const std::size_t end = out.find("\n\t", body);
    return out.substr(body, end == std::string::npos ? std::string::npos : end - body);
}

const std::string kChapHeading = "\n\tInitiator CHAP authentication\n";
const std::string kNetworkHeading = "\n\tInitiator Network settings\n";
const std::string kTargetHeading = "\n\tBoot Target settings\n";

TEST(SettingsDisplay, Version10StopsAfterBootLineWhateverBootEnabledHolds) {
    const std::string expected =
        "\n\tAdapter settings\n\niSCSI Boot enabled: \t\tyes\n\nERROR: unsupported Option ROM version!\n";
    for (std::uint16_t version : {0x0100, 0x01FF}) {
        boot_settings_record r = configured_record();
        r.version = version;
        r.bootenabled = 0;
        EXPECT_EQ(display(r), expected) << version;
    }
    // Only the high byte decides.
    boot_settings_record r = configured_record();
    r.version = 0x0001;
    EXPECT_EQ(display(r), configured_record_display());
}

TEST(SettingsDisplay, BootAndOsInitiatorFlags) {
    boot_settings_record r = configured_record();
    r.bootenabled = 0;
    r.oskorvaneini = 7;  // any non-zero value means the OS initiator is not used
    const std::string out = display(r);
    EXPECT_EQ(out.substr(0, out.find("\n\tInitiator iSCSI")),
              "\n\tAdapter settings\n\niSCSI Boot enabled: \t\tno\n\nKorvane OS initiator: \t\tno\n");
}

TEST(SettingsDisplay, NetworkTypes) {
    boot_settings_record r = configured_record();
    const std::string dhcp = "IP address type: \t\tDHCP\nPreferred port: \t\t1\nVLAN ID: \t\t\t12\n";
    for (const std::uint8_t type :
         {std::uint8_t{kNetworkDhcp}, std::uint8_t{9}}) {  // 9, never written by the utility: plain DHCP
        r.networktype = type;
        const std::string out = display(r);
        EXPECT_EQ(section(out, kNetworkHeading), dhcp);
        EXPECT_NE(out.find("Target via DHCP: \t\tdisabled\nPreferred Portal Group: \t1\n"), std::string::npos);
        EXPECT_EQ(out.find("root path"), std::string::npos);
    }
    r.networktype = kNetworkDhcpWithTarget;
    const std::string out = display(r);
    EXPECT_EQ(section(out, kNetworkHeading), dhcp);
    EXPECT_EQ(section(out, kTargetHeading),
              "Target name: \t\t\tiqn.2001-04.com.example:storage\n"
              "Target via DHCP: \t\tenabled\n"
              "Target settings (if DHCP 'root path' is not provided):\n"
              "Preferred Portal Group: \t1\n"
              "Target Portals: \t\t1:10.0.0.1@3260,2:10.0.0.2@860\n"
              "Target Boot LUN: \t\t3\n"
              "Discovery IP address: \t\t10.0.0.9\n"
              "Discovery TCP port: \t\t3260\n"
              "Target CHAP authentication: \tenabled\n"
              "Target CHAP username: \t\ttargetuser\n"
              "Target CHAP secret: \t\ttargetsecret\n");
}

TEST(SettingsDisplay, PreferredPortAndVlan) {
    boot_settings_record r = configured_record();
    const struct {
        std::uint8_t port;
        std::uint16_t vlan;
        const char* lines;
    } cases[] = {
        {0, 0, "Preferred port: \t\t0\nVLAN ID: \t\t\tnot set\n"},
        {0xFF, 4094, "Preferred port: \t\tany\nVLAN ID: \t\t\t4094\n"},
        {7, 1, "Preferred port: \t\t7\nVLAN ID: \t\t\t1\n"},
    };
    for (const auto& c : cases) {
        r.preferredport = c.port;
        r.vlanid = c.vlan;
        const std::string network = section(display(r), kNetworkHeading);
        EXPECT_EQ(network.substr(network.find("Preferred port")), c.lines);
    }
}

TEST(SettingsDisplay, ChapTypes) {
    boot_settings_record r = configured_record();
    const std::string users = "Initiator CHAP user: \t\thostuser\nInitiator CHAP secret: \t\thostsecret12\n";
    const struct {
        std::uint8_t type;
        std::string initiator_lines;
        const char* target_line;
    } cases[] = {
        {kChapNone, "CHAP authentication type: \tNone\nInitiator CHAP authentication: \tdisabled\n",
         "Target CHAP authentication: \tdisabled\n"},
        {kChapOneWay, "CHAP authentication type: \tone-way\nInitiator CHAP authentication: \tenabled\n",
         "Target CHAP authentication: \tdisabled\n"},
        {kChapMutual, "CHAP authentication type: \tmutual\nInitiator CHAP authentication: \tenabled\n",
         "Target CHAP authentication: \tenabled\n"},
        {3, "CHAP authentication type: \tnot set\n", "Target CHAP authentication: \tdisabled\n"},
        {0xFF, "CHAP authentication type: \tnot set\n", "Target CHAP authentication: \tdisabled\n"},
    };
    for (const auto& c : cases) {
        r.chaptype = c.type;
        const std::string out = display(r);
        EXPECT_EQ(section(out, kChapHeading), c.initiator_lines + users) << int(c.type);
        EXPECT_NE(out.find(std::string("Discovery TCP port: \t\t3260\n") + c.target_line), std::string::npos)
            << int(c.type);
    }
}

TEST(SettingsDisplay, PortalListShowsPresentEntriesOnly) {
    const std::string label = "Target Portals: \t\t";
    const std::string next = "\nTarget Boot LUN: \t\t3\n";
    const struct {
        std::uint8_t first_byte_1;
        std::uint8_t first_byte_2;
        const char* list;
    } cases[] = {
        {10, 10, "1:10.0.0.1@3260,2:10.0.0.2@860"},
        {0, 10, ",2:10.0.0.2@860"},     // entry 1 deleted: the comma stays with entry 2
        {0xFF, 10, ",2:10.0.0.2@860"},  // entry 1 erased
        {10, 0, "1:10.0.0.1@3260"},
        {10, 0xFF, "1:10.0.0.1@3260"},
        {0, 0xFF, ""},
        {0xFF, 0xFF, ""},
        {192, 1, "1:192.0.0.1@3260,2:1.0.0.2@860"},
    };
    for (const auto& c : cases) {
        boot_settings_record r = configured_record();
        r.targetportal[0].ip[0] = c.first_byte_1;
        r.targetportal[1].ip[0] = c.first_byte_2;
        EXPECT_NE(display(r).find(label + c.list + next), std::string::npos) << c.list;
    }
    // Every byte of a shown entry is printed, the port as 0 to 65535.
    boot_settings_record r = configured_record();
    put_portal(&r.targetportal[0], 254, 255, 0, 252, 65535);
    r.targetportal[1] = portal_entry{};
    EXPECT_NE(display(r).find(label + "1:254.255.0.252@65535" + next), std::string::npos);
}

TEST(SettingsDisplay, TextFieldSetOnlyWhenFirstByteIsPrintable) {
    boot_settings_record r = configured_record();
    put_text(r.initiatorname, " leading blank");
    put_text(r.targetname, "\177deleted");
    put_text(r.initiatoruser, "\037control");
    put_text(r.targetuser, "\200high");
    put_text(r.initiatorpass, "~tilde");
    std::memset(r.targetpass, 0, sizeof r.targetpass);
    const std::string out = display(r);
    EXPECT_NE(out.find("Initiator name: \t\t leading blank\n"), std::string::npos);
    EXPECT_NE(out.find("\nTarget name:\nTarget via DHCP"), std::string::npos);
    EXPECT_NE(out.find("Initiator CHAP user:\t\tnot set\nInitiator CHAP secret: \t\t~tilde\n"), std::string::npos);
    EXPECT_NE(out.find("Target CHAP username:\t\tnot set\nTarget CHAP secret:\t\tnot set\n"), std::string::npos);
}

// Flash written by something else may fill a text field to its last byte;
// the text must stop at the field's end, not run into the next field. Texts
// of the longest length a setting stores print whole.
TEST(SettingsDisplay, UnterminatedTextFieldPrintsAtMostItsWidth) {
    boot_settings_record r = configured_record();
    std::memset(r.initiatorname, 'N', sizeof r.initiatorname);
    std::memset(r.initiatorpass, 'P', sizeof r.initiatorpass);
    std::memset(r.targetuser, 'U', sizeof r.targetuser);
    std::memset(r.targetpass, 'S', sizeof r.targetpass);  // followed by reserved and flag bytes
    r.reserved_1b4 = 'X';
    const std::string out = display(r);
    EXPECT_NE(out.find("Initiator name: \t\t" + std::string(96, 'N') + "\n"), std::string::npos);
    EXPECT_NE(out.find("Initiator CHAP secret: \t\t" + std::string(32, 'P') + "\n"), std::string::npos);
    EXPECT_NE(out.find("Target CHAP username: \t\t" + std::string(64, 'U') + "\n"), std::string::npos);
    EXPECT_TRUE(out.ends_with("Target CHAP secret: \t\t" + std::string(32, 'S') + "\n"));
    put_text(r.targetname, std::string(95, 't').c_str());
    put_text(r.initiatoruser, std::string(63, 'u').c_str());
    const std::string longest = display(r);
    EXPECT_NE(longest.find("Target name: \t\t\t" + std::string(95, 't') + "\n"), std::string::npos);
    EXPECT_NE(longest.find("Initiator CHAP user: \t\t" + std::string(63, 'u') + "\n"), std::string::npos);
}

}  // namespace
