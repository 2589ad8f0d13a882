// The adapter records that build_adapter_list makes, built in this process
// against emulated adapters: the fields the list output never prints
// (description, SL value, network address, settings copy) and the list's
// own lifecycle.
#include "inventory/adapter_list.h"
#include "device/adapter_table.h"
#include "emulator/contents/adapter_profile.h"
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class AdapterListTest : public ::testing::Test {
protected:
    void SetUp() override { box.use_in_this_process(); }
    void TearDown() override { release_adapter_list(); }

    // Builds the list, keeping what it printed.
    int build() {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int result = build_adapter_list();
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
        return result;
    }

    // Builds one adapter and returns its record.
    const adapter_record& build_one(const adapter_contents& adapter) {
        adapter.write_to(box, "a0");
        EXPECT_EQ(build(), 0);
        const adapter_record* head = adapter_list_head();
        EXPECT_NE(head, nullptr);
        return *head;
    }

    static adapter_contents adapter_with_description(const std::string& description) {
        adapter_contents a;
        a.set_capabilities_ending_in_vpd();
        a.set_vpd("", "000000000000", 0x1234, 0x5678);
        a.set_vpd_bytes(0xC03, description);
        return a;
    }

    emulator_sandbox box;
    std::string out;
    std::string err;
};

TEST_F(AdapterListTest, RecordsFollowAdapterIndexWithTheirIds) {
    for (int i = 0; i < 3; ++i) {
        adapter_contents a;
        a.set_capabilities_ending_in_vpd(static_cast<std::uint8_t>(0x48 + 8 * i));
        a.set_vpd("HBA", "000000000000", static_cast<std::uint16_t>(0x1000 + i),
                  static_cast<std::uint16_t>(0x2000 + i));
        a.write_to(box, "adapter0" + std::to_string(i));
    }
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(adapter_count(), 3);
    EXPECT_EQ(out, "\n\n\n");
    int index = 0;
    for (const adapter_record* r = adapter_list_head(); r != nullptr; r = r->next, ++index) {
        EXPECT_EQ(r->adapter_index, index);
        EXPECT_EQ(r->vendor_id, 0x1000 + index);
        EXPECT_EQ(r->device_id, 0x2000 + index);
    }
    EXPECT_EQ(index, 3);
}

TEST_F(AdapterListTest, VpdImageAndHighBlockAreKeptInTheRecord) {
    adapter_contents a;
    a.set_capabilities_ending_in_vpd();
    a.set_vpd("Quad Port HBA", "001122334455", 0x1234, 0x5678);
    const adapter_record& r = build_one(a);
    // The adapter's VPD already has the standard layout and checksum, so
    // the normalised image is the VPD as stored.
    EXPECT_EQ(0, std::memcmp(r.vpd_image, a.vpd.data() + 0xC00, 512));
    EXPECT_EQ(0, std::memcmp(r.vpd_high_block, a.vpd.data() + 0x1000, 4096));
    EXPECT_EQ(0, std::memcmp(r.sl_value, realistic_adapter_profile(0).serial_number.data(), 16));
}

// The identifier string loses its trailing blanks, with one terminator
// written after the last other character; sixteen characters have none, and
// blanks after a first character that is all there is are left as read.
TEST_F(AdapterListTest, DescriptionLosesItsTrailingBlanks) {
    const std::pair<std::string, std::string> cases[] = {
        {"Gateway         ", std::string("Gateway\0        ", 16)},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {"X               ", "X               "},
        {"ABCDEFGHIJKLMNO ", std::string("ABCDEFGHIJKLMNO\0", 16)},
    };
    for (const auto& [stored, recorded] : cases) {
        const adapter_record& r = build_one(adapter_with_description(stored));
        EXPECT_EQ(std::string(r.description, 16), recorded) << stored;
    }
}

// The digits decode in both letter cases; a non-digit counts as 0xFF: "zz"
// and ": " give 0xEF, "0G" gives 0xFF.
TEST_F(AdapterListTest, NetworkAddressDigitsDecodeAndNonDigitsCountAsF) {
    const std::pair<const char*, std::array<std::uint8_t, 6>> cases[] = {
        {"0A1b2C3d4E5f", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}},
        {"zz0G: Ff9aA0", {0xEF, 0xFF, 0xEF, 0xFF, 0x9A, 0xA0}},
    };
    for (const auto& [digits, expected] : cases) {
        adapter_contents a;
        a.set_capabilities_ending_in_vpd();
        a.set_vpd("HBA", digits, 0x1234, 0x5678);
        const adapter_record& r = build_one(a);
        EXPECT_EQ(0, std::memcmp(r.network_address, expected.data(), 6)) << digits;
    }
}

TEST_F(AdapterListTest, AdapterWithoutVpdKeepsVpdFieldsZero) {
    adapter_contents a;
    a.set_vpd("HBA", "001122334455", 0x1234, 0x5678);  // there, but unreachable
    a.set_option_rom(0x1A, 1, 2, 3);
    const adapter_record& r = build_one(a);
    EXPECT_EQ(err, "ERROR: Capability 03 not found.\n");
    EXPECT_EQ(out, "");
    adapter_record zero{};
    EXPECT_EQ(r.vendor_id, 0);
    EXPECT_EQ(r.device_id, 0);
    EXPECT_EQ(0, std::memcmp(r.description, zero.description, sizeof zero.description));
    EXPECT_EQ(0, std::memcmp(r.network_address, zero.network_address, sizeof zero.network_address));
    EXPECT_EQ(0, std::memcmp(r.vpd_image, zero.vpd_image, sizeof zero.vpd_image));
    EXPECT_EQ(0, std::memcmp(r.vpd_high_block, zero.vpd_high_block, sizeof zero.vpd_high_block));
    EXPECT_EQ(r.rom_header.major, 1);
}

TEST_F(AdapterListTest, SettingsCopyKeptOnlyWithItsMagic) {
    adapter_contents a;
    a.set_option_rom(0x1A, 2, 7, 15);
    a.set_settings(kValidMagic);
    const adapter_record& kept = build_one(a);
    EXPECT_EQ(0, std::memcmp(&kept.settings, a.flash.data() + 0x30000, 444));
    EXPECT_EQ(0, std::memcmp(&kept.rom_header, a.flash.data() + 0x1A, 16));

    const std::uint8_t almost[4] = {'K', 'I', 'B', 1};
    a.set_settings(almost);
    const adapter_record& zeroed = build_one(a);
    const boot_settings_record zero{};
    EXPECT_EQ(0, std::memcmp(&zeroed.settings, &zero, sizeof zero));

    a.flash.assign(a.flash.size(), 0xFF);
    a.set_option_rom(0x1A, 2, 7, 15);  // erased settings sector
    const adapter_record& erased = build_one(a);
    EXPECT_EQ(0, std::memcmp(&erased.settings, &zero, sizeof zero));
}

TEST_F(AdapterListTest, OptionRomWithoutHeaderIsMarkedAndItsSettingsIgnored) {
    adapter_contents a;
    a.set_option_rom(-1);
    a.set_settings(kValidMagic);
    const adapter_record& r = build_one(a);
    const std::uint8_t expected[16] = {'$', 'P', 'X', 'E'};
    EXPECT_EQ(0, std::memcmp(&r.rom_header, expected, 16));
    const boot_settings_record zero{};
    EXPECT_EQ(0, std::memcmp(&r.settings, &zero, sizeof zero));
    EXPECT_EQ(err, "ERROR: Capability 03 not found.\n");
}

TEST_F(AdapterListTest, FlashWithoutOptionRomLeavesHeaderAndSettingsZero) {
    adapter_contents a;
    a.set_settings(kValidMagic);
    const adapter_record& r = build_one(a);
    const dm_header zero_header{};
    const boot_settings_record zero{};
    EXPECT_EQ(0, std::memcmp(&r.rom_header, &zero_header, sizeof zero_header));
    EXPECT_EQ(0, std::memcmp(&r.settings, &zero, sizeof zero));
}

// A rebuild replaces the records; one that finds no adapter leaves the list
// as it was; release empties it.
TEST_F(AdapterListTest, RebuildReplacesTheRecordsAndReleaseEmptiesTheList) {
    adapter_contents a;
    a.set_capabilities_ending_in_vpd();
    a.set_vpd("HBA", "000000000000", 0x1111, 0x2222);
    a.write_to(box, "a0");
    a.write_to(box, "a1");
    ASSERT_EQ(build(), 0);
    ASSERT_EQ(adapter_count(), 2);

    std::filesystem::remove_all(box.folder("a1"));
    ASSERT_EQ(build(), 0);
    EXPECT_EQ(adapter_count(), 1);
    const adapter_record* before = adapter_list_head();
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(before->next, nullptr);

    std::filesystem::remove_all(box.folder("a0"));
    EXPECT_EQ(build(), 2);
    EXPECT_EQ(adapter_count(), 0);
    EXPECT_EQ(adapter_list_head(), before);
    EXPECT_EQ(out, "");

    release_adapter_list();
    EXPECT_EQ(adapter_list_head(), nullptr);
    EXPECT_EQ(adapter_count(), 0);
}

}  // namespace
