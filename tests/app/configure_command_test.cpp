// The configure command through the built binary on emulated adapters: what
// an accepted command leaves in flash, and that a refused one, wherever it
// is refused, leaves the flash exactly as it was.
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRefusedStatus = 255;  // exit status -1 as the shell sees it
// The save's progress fragment: no newline, two blanks at the end.
const std::string kSaving = "Saving settings to Adapter... please wait  ";

// A configured record on a static adapter at 192.168.1.10/24 without a
// gateway.
boot_settings_record record_without_gateway() {
    boot_settings_record r = configured_record();
    put_ip(r.staticip, 192, 168, 1, 10);
    put_ip(r.staticgw, 0, 0, 0, 0);
    return r;
}

// Where two flash images first differ, leaving out the 4 bytes a save writes
// after the record, which carry nothing.
testing::AssertionResult same_flash(const std::vector<std::uint8_t>& actual,
                                    const std::vector<std::uint8_t>& expected) {
    if (actual.size() != expected.size()) {
        return testing::AssertionFailure() << "flash is " << actual.size() << " bytes";
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const bool trailer = i >= kRecordOffset + kSettingsRecordSize && i < kRecordOffset + kSettingsWrittenSize;
        if (!trailer && actual[i] != expected[i]) {
            return testing::AssertionFailure() << "flash byte 0x" << std::hex << i << " is 0x" << int{actual[i]}
                                               << ", expected 0x" << int{expected[i]};
        }
    }
    return testing::AssertionSuccess();
}

class ConfigureCommand : public testing::Test {
protected:
    emulator_sandbox box;
    boot_settings_record record = record_without_gateway();
    std::vector<std::uint8_t> flash;

    void SetUp() override { install(record); }

    void install(const boot_settings_record& r) {
        box.add_blank_adapter("adapter00");
        flash = flash_holding(r);
        box.write_file("adapter00/flash.bin", flash);
    }

    std::vector<std::uint8_t> flash_now() const { return box.read_file("adapter00/flash.bin"); }

    run_result configure(const std::vector<std::string>& settings, const std::string& word = "--configure") {
        std::vector<std::string> arguments = {word, "0"};
        arguments.insert(arguments.end(), settings.begin(), settings.end());
        return box.run(arguments);
    }

    // The command succeeds, prints only warning, and the flash holds the
    // record as change leaves it; the next command starts from there.
    template <typename Change>
    void expect_saved(const std::vector<std::string>& settings, Change change, const std::string& warning = "") {
        change(record);
        std::vector<std::uint8_t> expected = flash;
        std::memcpy(expected.data() + kRecordOffset, &record, sizeof record);
        const run_result r = configure(settings);
        EXPECT_EQ(r.status, 0) << settings.front();
        EXPECT_EQ(r.out, kSaving) << settings.front();
        EXPECT_EQ(r.err, warning) << settings.front();
        EXPECT_TRUE(same_flash(flash_now(), expected)) << settings.front();
        flash = flash_now();
    }

    // The command ends with status -1 after message, and the flash is as it was.
    void expect_untouched(const std::vector<std::string>& settings, const std::string& err,
                          const std::string& out = "") {
        const run_result r = configure(settings);
        EXPECT_EQ(r.status, kRefusedStatus) << settings.back();
        EXPECT_EQ(r.out, out) << settings.back();
        EXPECT_EQ(r.err, err) << settings.back();
        EXPECT_TRUE(same_flash(flash_now(), flash)) << settings.back();
    }
};

TEST_F(ConfigureCommand, EverySettingReachesItsField) {
    expect_saved(
        words_of(
            "bootenabled=no oskorvaneini=yes preferredport=0 networktype=dhcp staticip=10.1.2.3 staticmask=255.255.0.0 "
            "staticgw=10.1.0.1 vlanid=4094 initiatorname=iqn.2026-01.com.example:a headerdigest=on datadigest=1 "
            "chaptype=mutual initiatoruser=alice initiatorpass=123456789012 targetname=iqn.2026-01.com.example:d "
            "portalgroup=2 targetportal=2@10.9.9.9:3261 targetlun=255 targetuser=bob targetpass=abcdefghijklmnop "
            "targetfromdhcp=on deleteportal=1 targetdiscoveryip=10.8.8.8 targetdiscoveryport=65535"),
        [](auto& r) {
            r.bootenabled = 0;
            r.oskorvaneini = 0;
            r.preferredport = 0;
            const std::uint8_t ip[4] = {10, 1, 2, 3};
            const std::uint8_t mask[4] = {255, 255, 0, 0};
            const std::uint8_t gw[4] = {10, 1, 0, 1};
            std::memcpy(r.staticip, ip, 4);
            std::memcpy(r.staticmask, mask, 4);
            std::memcpy(r.staticgw, gw, 4);
            r.vlanid = 4094;
            put_text(r.initiatorname, "iqn.2026-01.com.example:a");
            r.headerdigest = 1;
            r.datadigest = 1;
            r.chaptype = kChapMutual;
            put_text(r.initiatoruser, "alice");
            put_text(r.initiatorpass, "123456789012");
            put_text(r.targetname, "iqn.2026-01.com.example:d");
            r.portalgroup = 2;
            const std::uint8_t portal[4] = {10, 9, 9, 9};
            std::memcpy(r.targetportal[1].ip, portal, 4);
            r.targetportal[1].port = 3261;
            r.targetlun = 255;
            put_text(r.targetuser, "bob");
            put_text(r.targetpass, "abcdefghijklmnop");
            r.networktype = kNetworkDhcpWithTarget;
            std::memset(&r.targetportal[0], 0, sizeof r.targetportal[0]);
            const std::uint8_t discovery[4] = {10, 8, 8, 8};
            std::memcpy(r.targetdiscoveryip, discovery, 4);
            r.targetdiscoveryport = 65535;
        });
    // And the other way back, with the short command word.
    record.networktype = kNetworkDhcp;
    const run_result r = configure({"targetfromdhcp=off", "networktype=static", "chaptype=none",
                                    "initiatorpass=", "oskorvaneini=no", "vlanid=0", "preferredport=any"},
                                   "-c");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSaving);
    EXPECT_EQ(r.err, "");
    const boot_settings_record saved = record_from_flash(flash_now());
    EXPECT_EQ(saved.networktype, kNetworkStatic);
    EXPECT_EQ(saved.chaptype, kChapNone);
    EXPECT_EQ(saved.initiatorpass[0], 0);
    EXPECT_EQ(saved.oskorvaneini, 1);
    EXPECT_EQ(saved.vlanid, 0);
    EXPECT_EQ(saved.preferredport, kPreferredPortAny);
}

TEST_F(ConfigureCommand, WarningsPrintButTheSettingIsSaved) {
    expect_saved(
        {"targetportal=1@10.0.0.1:3260", "targetdiscoveryip=10.0.0.2"},
        [](auto& r) {
            const std::uint8_t portal[4] = {10, 0, 0, 1};
            const std::uint8_t discovery[4] = {10, 0, 0, 2};
            std::memcpy(r.targetportal[0].ip, portal, 4);
            std::memcpy(r.targetdiscoveryip, discovery, 4);
        },
        "Warning: Target IP is not on HBA's local network, and HBA default gateway IP is not set!"
        "Warning: Target discovery IP is not on HBA's local network, and HBA default gateway IP is not "
        "set!");
    // A gateway set earlier in the same run silences the warning.
    expect_saved({"staticgw=192.168.1.1", "targetportal=2@10.0.0.3"}, [](auto& r) {
        const std::uint8_t gw[4] = {192, 168, 1, 1};
        const std::uint8_t portal[4] = {10, 0, 0, 3};
        std::memcpy(r.staticgw, gw, 4);
        std::memcpy(r.targetportal[1].ip, portal, 4);
        r.targetportal[1].port = 3260;
    });
}

TEST_F(ConfigureCommand, LaterSettingsSeeWhatEarlierOnesChanged) {
    expect_untouched({"deleteportal=1", "targetfromdhcp=on"},
                     "ERROR: cannot delete first portal group, when Target is not via DHCP! You can edit the portal "
                     "group if required.\n");
    expect_saved({"targetfromdhcp=on", "deleteportal=1"}, [](auto& r) {
        r.networktype = kNetworkDhcpWithTarget;
        std::memset(&r.targetportal[0], 0, sizeof r.targetportal[0]);
    });
    expect_untouched({"staticip=10.0.0.5", "staticgw=192.168.1.1"},
                     "ERROR: Gateway IP address should be in the same subnet as HBA's IP address!\n");
}

// One refusal of each kind of setting (every refusal line is checked where
// the settings are applied).
TEST_F(ConfigureCommand, RefusedValuesLeaveTheFlashUntouched) {
    struct refusal {
        const char* argument;
        const char* err;
    };
    const refusal refusals[] = {
        {"targetlun=300", "ERROR: Target LUN should be an integer number from 0 to 255!\n"},
        {"vlanid=4095", "ERROR: VLAN ID needs to be between 1 and 4094 or 0 to clear the VLAN ID!\n"},
        {"targetdiscoveryport=70000",
         "ERROR: Target discovery TCP port should be an integer number from 1 to 65535!\n"},
        {"targetportal=1@10.1.1.5:70000",
         "ERROR: Target portal TCP port should be an integer number from 1 to 65535!\n"},
        {"targetportal=3@10.1.1.5", "ERROR: value's Portal Group Tag-number allowed is 1 or 2, 3@10.1.1.5!\n"},
        {"targetportal=10.1.1.5", "ERROR: value should be in the format <1|2>@<IP-address>:<TCP-port>10.1.1.5!\n"},
        {"chaptype=one-way", "ERROR: CHAP type can be only none, oneway or mutual!\n"},
        {"staticip=10.0.0.255", "ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n"},
        {"staticmask=255.0.255.0",
         "ERROR: Subnet mask should be of the notation A.B.C.D, and must be valid IPv4 Mask!\n"},
        {"initiatorpass=12345678901", "ERROR: CHAP secret can be only 12 - 16 characters in length!\n"},
        {"preferredport=", "ERROR: Preferred port can be only any or 0 or 1!\n"},
        {"TargetLun=1", "ERROR: unknown setting TargetLun!\n"},
        {"=1", "ERROR: unknown setting !\n"},
    };
    for (const refusal& r : refusals) {
        expect_untouched({r.argument}, r.err);
    }
}

TEST_F(ConfigureCommand, RefusalAfterAcceptedSettingsSavesNothing) {
    expect_untouched({"vlanid=5", "staticip=10.0.0.9", "targetlun=256"},
                     "ERROR: Target LUN should be an integer number from 0 to 255!\n");
    expect_untouched({"vlanid=5", "bootenabled"}, "ERROR: setting bootenabled must be of type setting=value\n");
}

TEST_F(ConfigureCommand, MalformedArgumentsAreRefusedBeforeAnyAssignment) {
    const std::string long_name = "targetdiscoveryports=1";  // "=" is the 21st character
    expect_untouched({long_name}, "ERROR: setting " + long_name + " must be of type setting=value\n");
    const std::string twenty = std::string(20, 'n') + "=1";
    expect_untouched({twenty}, "ERROR: setting " + twenty + " must be of type setting=value\n");
    expect_untouched({"initiatorname=" + std::string(100, 'q')},
                     "ERROR: value of setting initiatorname is too long, at most 99 characters allowed!\n");
    expect_untouched({"targetname=" + std::string(300, 'q')},
                     "ERROR: value of setting targetname is too long, at most 99 characters allowed!\n");
    expect_untouched({"initiatorname=" + std::string(99, 'q')}, "ERROR: Initiator IQN name too long!\n");
}

TEST_F(ConfigureCommand, PreferredPortPreCheckComesFirst) {
    expect_untouched({"preferredport=2"}, "ERROR: invalid port selection!\n");
    expect_untouched({"preferredport=01"}, "ERROR: invalid port selection!\n");
    expect_untouched({"vlanid=1", "preferredport=x"}, "ERROR: invalid port selection!\n");
    expect_saved({"preferredport=0"}, [](auto& r) { r.preferredport = 0; });
}

TEST_F(ConfigureCommand, VersionOneRecordIsNotChanged) {
    for (std::uint16_t version : {0x0100, 0x01FF}) {
        record.version = version;
        install(record);
        expect_untouched({"vlanid=1"}, "", "\nERROR: unsupported Option ROM version 1.0!\n");
    }
}

// An erased sector is configured after a warning; a record or a refusal gets none.
TEST_F(ConfigureCommand, ErasedSettingsSectorCanBeConfigured) {
    box.write_file("adapter00/flash.bin", erased_flash());
    const run_result r = configure({"vlanid=7"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "Warning: the settings record of Adapter 0 is erased; settings not given keep their erased values. A "
              "backup brings the previous settings back: \"hbabootcfg --restore 0 BACKUP-FILE settings --force\".\n");
    const std::vector<std::uint8_t> after = flash_now();
    const std::uint8_t head[7] = {0x4B, 0x49, 0x42, 0x00, 0xFF, 0xBC, 0x01};
    EXPECT_EQ(std::memcmp(after.data() + kRecordOffset, head, 7), 0);
    EXPECT_EQ(after[kRecordOffset + 0x1B8], 7);
    EXPECT_EQ(after[kRecordOffset + 0x1B9], 0);
    EXPECT_EQ(after[kRecordOffset + 0x0F2], 0xFF);  // every other field as the erased sector held it
    // Now it holds a record (the magic, vlanid): no warning. A refused
    // setting warns of nothing either: nothing would be saved.
    EXPECT_EQ(configure({"vlanid=10"}).err, "");
    box.write_file("adapter00/flash.bin", erased_flash());
    const run_result refused = configure({"vlanid=99999"});
    EXPECT_EQ(refused.status, kRefusedStatus);
    EXPECT_EQ(refused.err.find("Warning: the settings record"), std::string::npos) << refused.err;
}

TEST_F(ConfigureCommand, OnlyTheNamedAdapterChanges) {
    box.add_blank_adapter("adapter01");
    box.write_file("adapter01/flash.bin", flash);
    const run_result r = box.run({"--configure", "1", "targetlun=4"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(same_flash(flash_now(), flash));
    EXPECT_EQ(record_from_flash(box.read_file("adapter01/flash.bin")).targetlun, 4);
}

}  // namespace
