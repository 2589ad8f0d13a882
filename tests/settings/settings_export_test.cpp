// The export in process: which field values no setting can store, and that
// the lines of a record that only a particular order of settings produces,
// applied to a record holding something else, show as the original does.
#include "settings/settings_export.h"
#include "settings/setting_assignment.h"
#include "settings/settings_display.h"
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

struct unexportable_case {
    const char* what;
    std::function<void(boot_settings_record&)> change;
    std::vector<std::string> unexported;
};

std::string shown(const boot_settings_record& record) {
    testing::internal::CaptureStdout();
    print_settings(record);
    return testing::internal::GetCapturedStdout();
}

// Applies the lines in order, as the configure command would; the first
// refusal fails the test.
void apply_lines(boot_settings_record* record, const std::vector<std::string>& lines) {
    testing::internal::CaptureStderr();
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        ASSERT_NE(equals, std::string::npos) << line;
        const std::string name = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        ASSERT_EQ(apply_setting(record, name.c_str(), value.c_str()), 0) << line;
    }
    testing::internal::GetCapturedStderr();  // the subnet warnings
}

// A record quite unlike configured_record(), as the other adapter holds it.
boot_settings_record other_record() {
    boot_settings_record r = configured_record();
    r.networktype = kNetworkDhcpWithTarget;
    put_ip(r.staticip, 172, 16, 0, 9);
    put_ip(r.staticmask, 255, 255, 0, 0);
    put_ip(r.staticgw, 172, 16, 0, 1);
    std::memset(&r.targetportal[0], 0, sizeof r.targetportal[0]);
    put_text(r.initiatorpass, "");
    r.vlanid = 0;
    return r;
}

TEST(SettingsExport, FieldsNoSettingCanStoreAreNamedAndTheRestIsWritten) {
    const unexportable_case cases[] = {
        {"configured", [](auto&) {}, {}},
        {"portal group 0", [](auto& r) { r.portalgroup = 0; }, {"portalgroup"}},
        {"discovery port 0", [](auto& r) { r.targetdiscoveryport = 0; }, {"targetdiscoveryport"}},
        {"VLAN 4095", [](auto& r) { r.vlanid = 4095; }, {"vlanid"}},
        {"preferred port 7", [](auto& r) { r.preferredport = 7; }, {"preferredport"}},
        {"CHAP type 3", [](auto& r) { r.chaptype = 3; }, {"chaptype"}},
        {"network type 3", [](auto& r) { r.networktype = 3; }, {"networktype"}},
        {"address with 255", [](auto& r) { put_ip(r.staticip, 10, 0, 0, 255); }, {"staticip"}},
        {"mask with a gap", [](auto& r) { put_ip(r.staticmask, 255, 0, 255, 0); }, {"staticmask"}},
        {"gateway 0.x", [](auto& r) { put_ip(r.staticgw, 0, 1, 2, 3); }, {"staticgw"}},
        {"discovery 255.x", [](auto& r) { put_ip(r.targetdiscoveryip, 10, 255, 0, 1); }, {"targetdiscoveryip"}},
        {"portal port 0", [](auto& r) { r.targetportal[0].port = 0; }, {"targetportal 1"}},
        {"portal address .0", [](auto& r) { put_ip(r.targetportal[1].ip, 10, 0, 0, 0); }, {"targetportal 2"}},
        {"name without terminator", [](auto& r) { std::memset(r.initiatorname, 'n', 96); }, {"initiatorname"}},
        {"user without terminator", [](auto& r) { std::memset(r.targetuser, 'u', 64); }, {"targetuser"}},
        {"secret of 5", [](auto& r) { put_text(r.initiatorpass, "short"); }, {"initiatorpass"}},
        {"secret of 20", [](auto& r) { put_text(r.targetpass, "twentycharacterslong"); }, {"targetpass"}},
        {"name with a line end", [](auto& r) { put_text(r.targetname, "iqn.a\r\n:b"); }, {"targetname"}},
        {"two at once",
         [](auto& r) {
             r.portalgroup = 0;
             r.vlanid = 5000;
         },
         {"vlanid", "portalgroup"}},
    };
    for (const unexportable_case& c : cases) {
        boot_settings_record record = configured_record();
        c.change(record);
        const settings_export exported = export_settings(record);
        EXPECT_EQ(exported.unexported, c.unexported) << c.what;
        // Whatever could be written still reaches the other record.
        boot_settings_record other = other_record();
        apply_lines(&other, exported.lines);
        if (c.unexported.empty()) {
            EXPECT_EQ(shown(other), shown(record)) << c.what;
        }
    }
}

// What the display makes of a byte is what is exported: a flag is on when
// non-zero, a text that does not begin with a printable character is not
// set, a portal entry beginning with 0 or 0xFF is not there.
TEST(SettingsExport, FieldsAreExportedByWhatTheyMean) {
    boot_settings_record record = configured_record();
    record.headerdigest = 7;
    record.datadigest = 0x80;
    record.bootenabled = 0xFF;
    record.oskorvaneini = 2;  // inverted: the OS initiator is not used
    record.initiatoruser[0] = 0x7F;
    std::memset(&record.targetportal[1], 0xFF, sizeof record.targetportal[1]);
    record.targetportal[0].reserved[0] = 0x5A;  // the firmware's, shown nowhere
    const settings_export exported = export_settings(record);
    EXPECT_EQ(exported.unexported, std::vector<std::string>{});
    for (const char* line : {"headerdigest=on", "datadigest=on", "bootenabled=yes", "oskorvaneini=off",
                             "initiatoruser=", "deleteportal=2"}) {
        EXPECT_NE(std::find(exported.lines.begin(), exported.lines.end(), line), exported.lines.end()) << line;
    }
    boot_settings_record other = other_record();
    apply_lines(&other, exported.lines);
    EXPECT_EQ(shown(other), shown(record));
}

// Records that only an order of settings produces: a gateway left outside
// the subnet by a later address, and portal 1 deleted while the target came
// from DHCP before the network type went back to static.
TEST(SettingsExport, RecordsOnlyAnOrderOfSettingsProducesComeBackWhole) {
    struct order_case {
        const char* what;
        std::vector<std::string> settings;
    };
    const order_case cases[] = {
        {"gateway outside the subnet",
         {"staticip=192.168.1.10", "staticmask=255.255.255.0", "staticgw=192.168.1.1", "staticip=10.0.0.5"}},
        {"portal 1 deleted, static", {"targetfromdhcp=on", "deleteportal=1", "networktype=static"}},
        {"portal 1 deleted, DHCP", {"targetfromdhcp=on", "deleteportal=1", "targetfromdhcp=off"}},
        {"portal 1 deleted, target from DHCP", {"targetfromdhcp=on", "deleteportal=1", "deleteportal=2"}},
        {"addresses cleared", {"staticip=", "staticmask=", "staticgw=", "targetdiscoveryip="}},
        {"gateway without a mask", {"staticmask=", "staticgw=172.16.5.1", "staticip=10.1.1.1"}},
    };
    for (const order_case& c : cases) {
        boot_settings_record record = configured_record();
        apply_lines(&record, c.settings);
        const settings_export exported = export_settings(record);
        EXPECT_EQ(exported.unexported, std::vector<std::string>{}) << c.what;
        for (boot_settings_record other : {other_record(), configured_record()}) {
            apply_lines(&other, exported.lines);
            EXPECT_EQ(shown(other), shown(record)) << c.what;
            EXPECT_EQ(export_settings(other).lines, exported.lines) << c.what;
        }
    }
}

}  // namespace
