// The word, text and number settings: every accepted value and what it
// stores, every refused value with its message and an untouched record.
#include "assignment_test_support.h"

#include <string>

namespace {

const std::string kOnOff = "ERROR: only on / off or 1 / 0 allowed as value for setting ";

std::string on_off_message(const std::string& name) {
    return kOnOff + name + "!\n";
}

TEST_F(AssignmentTest, NetworkTypeIsDhcpOrStatic) {
    expect_applied("networktype", "dhcp", [](auto& r) { r.networktype = 1; });
    expect_applied("networktype", "static", [](auto& r) { r.networktype = 0; });
    for (const char* bad : {"DHCP", "", "dhcpx", "1"}) {
        expect_refused("networktype", bad, "ERROR: only dhcp / static allowed as value for setting networktype!\n");
    }
}

TEST_F(AssignmentTest, BootEnabledTakesWordsStartingWithYesNoOneOrZero) {
    expect_applied("bootenabled", "yes", [](auto& r) { r.bootenabled = 1; });
    expect_applied("bootenabled", "nope", [](auto& r) { r.bootenabled = 0; });
    expect_applied("bootenabled", "yesterday", [](auto& r) { r.bootenabled = 1; });
    expect_applied("bootenabled", "0", [](auto& r) { r.bootenabled = 0; });
    expect_applied("bootenabled", "10", [](auto& r) { r.bootenabled = 1; });
    expect_applied("bootenabled", "no", [](auto& r) { r.bootenabled = 0; });
    expect_applied("bootenabled", "1", [](auto& r) { r.bootenabled = 1; });
    for (const char* bad : {"true", "", "Yes", " yes"}) {
        expect_refused("bootenabled", bad, "ERROR: BIOS enable / disable value can be yes/no or 1/0!\n");
    }
}

TEST_F(AssignmentTest, PreferredPortIsZeroOneOrAny) {
    expect_applied("preferredport", "0", [](auto& r) { r.preferredport = 0; });
    expect_applied("preferredport", "any", [](auto& r) { r.preferredport = 0xFF; });
    expect_applied("preferredport", "1", [](auto& r) { r.preferredport = 1; });
    for (const char* bad : {"", "2", "anyway", "ANY"}) {
        expect_refused("preferredport", bad, "ERROR: Preferred port can be only any or 0 or 1!\n");
    }
}

TEST_F(AssignmentTest, ChapTypeRefusesWordsItDoesNotKnow) {
    expect_applied("chaptype", "mutual", [](auto& r) { r.chaptype = 2; });
    expect_applied("chaptype", "none", [](auto& r) { r.chaptype = 0; });
    expect_applied("chaptype", "oneway", [](auto& r) { r.chaptype = 1; });
    for (const char* bad : {"one-way", "", "Mutual", "mutually", "2"}) {
        expect_refused("chaptype", bad, "ERROR: CHAP type can be only none, oneway or mutual!\n");
    }
}

TEST_F(AssignmentTest, DataDigestOffMatchesOnItsStart) {
    expect_applied("datadigest", "on", [](auto& r) { r.datadigest = 1; });
    expect_applied("datadigest", "offline", [](auto& r) { r.datadigest = 0; });
    expect_applied("datadigest", "1", [](auto& r) { r.datadigest = 1; });
    expect_applied("datadigest", "0", [](auto& r) { r.datadigest = 0; });
    expect_applied("datadigest", "1", [](auto& r) { r.datadigest = 1; });
    expect_applied("datadigest", "off", [](auto& r) { r.datadigest = 0; });
    for (const char* bad : {"", "onx", "01", "ON", "yes"}) {
        expect_refused("datadigest", bad, on_off_message("datadigest"));
    }
}

TEST_F(AssignmentTest, HeaderDigestTakesOnlyWholeWords) {
    expect_applied("headerdigest", "on", [](auto& r) { r.headerdigest = 1; });
    expect_applied("headerdigest", "off", [](auto& r) { r.headerdigest = 0; });
    expect_applied("headerdigest", "1", [](auto& r) { r.headerdigest = 1; });
    expect_applied("headerdigest", "0", [](auto& r) { r.headerdigest = 0; });
    for (const char* bad : {"offline", "", "10", "yes"}) {
        expect_refused("headerdigest", bad, on_off_message("headerdigest"));
    }
}

TEST_F(AssignmentTest, OsInitiatorFlagIsInvertedAndTakesYesNoToo) {
    expect_applied("oskorvaneini", "on", [](auto& r) { r.oskorvaneini = 0; });
    expect_applied("oskorvaneini", "off", [](auto& r) { r.oskorvaneini = 1; });
    expect_applied("oskorvaneini", "1", [](auto& r) { r.oskorvaneini = 0; });
    expect_applied("oskorvaneini", "0", [](auto& r) { r.oskorvaneini = 1; });
    expect_applied("oskorvaneini", "yes", [](auto& r) { r.oskorvaneini = 0; });
    expect_applied("oskorvaneini", "no", [](auto& r) { r.oskorvaneini = 1; });
    for (const char* bad : {"offline", "", "yesterday", "YES", "nope"}) {
        expect_refused("oskorvaneini", bad, on_off_message("oskorvaneini"));
    }
}

TEST_F(AssignmentTest, TargetFromDhcpOnSelectsTypeTwoAndOffStepsBackToDhcp) {
    expect_applied("targetfromdhcp", "1", [](auto& r) { r.networktype = 2; });
    expect_applied("targetfromdhcp", "off", [](auto& r) { r.networktype = 1; });
    expect_applied("targetfromdhcp", "on", [](auto& r) { r.networktype = 2; });
    expect_applied("targetfromdhcp", "0", [](auto& r) { r.networktype = 1; });
    // Off leaves any other network type alone.
    expect_applied("targetfromdhcp", "off", [](auto&) {});
    expect_applied("networktype", "static", [](auto& r) { r.networktype = 0; });
    expect_applied("targetfromdhcp", "0", [](auto&) {});
    record.networktype = 7;
    expect_applied("targetfromdhcp", "off", [](auto&) {});
    for (const char* bad : {"yes", "", "offline", "ON"}) {
        expect_refused("targetfromdhcp", bad, on_off_message("targetfromdhcp"));
    }
}

TEST_F(AssignmentTest, NetworkTypeDhcpAfterTargetFromDhcpStoresOne) {
    expect_applied("targetfromdhcp", "1", [](auto& r) { r.networktype = 2; });
    expect_applied("networktype", "dhcp", [](auto& r) { r.networktype = 1; });
}

// Text fields: the bound is inclusive, the field is cleared whole, so the
// text always ends in a zero and nothing of a longer earlier text remains.
struct text_setting {
    const char* name;
    std::size_t maximum;
    std::size_t field_offset;
    std::size_t field_size;
    const char* too_long;
};

const text_setting kTextSettings[] = {
    {"initiatorname", 95, offsetof(boot_settings_record, initiatorname), 96, "ERROR: Initiator IQN name too long!\n"},
    {"targetname", 95, offsetof(boot_settings_record, targetname), 96, "ERROR: Target IQN name too long!\n"},
    {"initiatoruser", 63, offsetof(boot_settings_record, initiatoruser), 64, "ERROR: CHAP username too long!\n"},
    {"targetuser", 63, offsetof(boot_settings_record, targetuser), 64, "ERROR: CHAP username too long!\n"},
};

void store_field(boot_settings_record& r, std::size_t offset, std::size_t size, const std::string& text) {
    auto* field = reinterpret_cast<std::uint8_t*>(&r) + offset;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), text.size());
}

TEST_F(AssignmentTest, TextSettingsTakeUpToTheirBoundAndClearTheField) {
    for (const text_setting& s : kTextSettings) {
        // An iSCSI name for the name settings, any text for the others.
        const std::string longest = ("iqn.2001-04.com.example:" + std::string(s.maximum, 'q')).substr(0, s.maximum);
        const std::string shorter = "iqn.2001-04.com.example:boot";
        const auto off = s.field_offset;
        const auto size = s.field_size;
        expect_applied(s.name, longest, [&](auto& r) { store_field(r, off, size, longest); });
        EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&record)[off + size - 1], 0) << s.name;
        expect_applied(s.name, shorter, [&](auto& r) { store_field(r, off, size, shorter); });
        expect_applied(s.name, "", [&](auto& r) { store_field(r, off, size, ""); });
        expect_refused(s.name, std::string(s.maximum + 1, 'q'), s.too_long);
        expect_refused(s.name, std::string(99, 'q'), s.too_long);
    }
}

TEST_F(AssignmentTest, ChapSecretsAreEmptyOrTwelveToSixteenCharacters) {
    const std::string message = "ERROR: CHAP secret can be only 12 - 16 characters in length!\n";
    for (const char* name : {"initiatorpass", "targetpass"}) {
        const std::size_t off = std::string(name) == "initiatorpass" ? offsetof(boot_settings_record, initiatorpass)
                                                                     : offsetof(boot_settings_record, targetpass);
        for (std::size_t length : {12, 16, 13, 0}) {
            const std::string secret(length, 's');
            expect_applied(name, secret, [&](auto& r) { store_field(r, off, 32, secret); });
        }
        for (std::size_t length : {1, 11, 17, 31, 99}) {
            expect_refused(name, std::string(length, 's'), message);
        }
    }
}

// Number settings: nothing but digits, inside the range; a value that used
// to be cut to the field's width is refused instead.
TEST_F(AssignmentTest, PortalGroupIsOneTo255) {
    expect_applied("portalgroup", "1", [](auto& r) { r.portalgroup = 1; });
    expect_applied("portalgroup", "255", [](auto& r) { r.portalgroup = 255; });
    expect_applied("portalgroup", "007", [](auto& r) { r.portalgroup = 7; });
    for (const char* bad : {"0", "256", "65536", "-1", "", "1a", " 1", "+1", "abc", "99999999999999999999"}) {
        expect_refused("portalgroup", bad, "ERROR: Portal Group Tag should be positive integer number!\n");
    }
}

TEST_F(AssignmentTest, TargetLunIsZeroTo255) {
    expect_applied("targetlun", "0", [](auto& r) { r.targetlun = 0; });
    expect_applied("targetlun", "255", [](auto& r) { r.targetlun = 255; });
    expect_applied("targetlun", "12", [](auto& r) { r.targetlun = 12; });
    expect_applied("targetlun", "", [](auto& r) { r.targetlun = 0; });  // an empty value clears
    for (const char* bad : {"256", "300", "-1", "abc", "1 ", "4294967340"}) {
        expect_refused("targetlun", bad, "ERROR: Target LUN should be an integer number from 0 to 255!\n");
    }
}

TEST_F(AssignmentTest, TargetDiscoveryPortIsOneTo65535) {
    expect_applied("targetdiscoveryport", "3260", [](auto& r) { r.targetdiscoveryport = 3260; });
    expect_applied("targetdiscoveryport", "1", [](auto& r) { r.targetdiscoveryport = 1; });
    expect_applied("targetdiscoveryport", "65535", [](auto& r) { r.targetdiscoveryport = 65535; });
    for (const char* bad : {"0", "65536", "70000", "", "abc", "-3260", "3260x"}) {
        expect_refused("targetdiscoveryport", bad,
                       "ERROR: Target discovery TCP port should be an integer number from 1 to 65535!\n");
    }
}

TEST_F(AssignmentTest, VlanIdIsZeroTo4094) {
    expect_applied("vlanid", "4094", [](auto& r) { r.vlanid = 4094; });
    expect_applied("vlanid", "1", [](auto& r) { r.vlanid = 1; });
    expect_applied("vlanid", "0", [](auto& r) { r.vlanid = 0; });
    record.vlanid = 12;
    expect_applied("vlanid", "", [](auto& r) { r.vlanid = 0; });  // an empty value clears
    for (const char* bad : {"4095", "65536", "65537", "-1", "12a", "0x10"}) {
        expect_refused("vlanid", bad, "ERROR: VLAN ID needs to be between 1 and 4094 or 0 to clear the VLAN ID!\n");
    }
}

TEST_F(AssignmentTest, SixteenBitFieldsAreStoredLittleEndian) {
    apply("vlanid", "4094");
    apply("targetdiscoveryport", "860");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    EXPECT_EQ(bytes[0x1B8], 0xFE);
    EXPECT_EQ(bytes[0x1B9], 0x0F);
    EXPECT_EQ(bytes[0x0DE], 0x5C);
    EXPECT_EQ(bytes[0x0DF], 0x03);
}

}  // namespace
