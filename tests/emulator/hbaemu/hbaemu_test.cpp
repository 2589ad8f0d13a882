// hbaemu through its built binary: the adapters init makes, the images
// make-rom writes, what show and fault say, and the help texts.
#include "emulator/contents/adapter_profile.h"
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

run_result hbaemu(const emulator_sandbox& sandbox, const std::vector<std::string>& arguments) {
    return sandbox.run_program_here(HBAEMU_PATH, arguments);
}

unsigned le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8);
}

unsigned byte_sum(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
    unsigned sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += bytes[i];
    }
    return sum & 0xFF;
}

// The capability IDs in list order, walked as PCI software walks them.
std::vector<unsigned> capability_ids(const std::vector<std::uint8_t>& config, unsigned* last_offset) {
    std::vector<unsigned> ids;
    for (unsigned p = config[0x34]; p != 0 && ids.size() < 48; p = config[p + 1]) {
        ids.push_back(config[p]);
        *last_offset = p;
    }
    return ids;
}

TEST(HbaemuInit, FlashHoldsAnOptionRomAndABootSettingsRecord) {
    emulator_sandbox sandbox;
    ASSERT_EQ(hbaemu(sandbox, {"init", "--count", "3"}).status, 0);
    for (int index = 0; index < 3; ++index) {
        const adapter_profile p = realistic_adapter_profile(index);
        const std::vector<std::uint8_t> flash = sandbox.read_file(p.folder_name + "/flash.bin");
        ASSERT_EQ(flash.size(), kFlashBytes);
        EXPECT_EQ(flash[0], 0x55);
        EXPECT_EQ(flash[1], 0xAA);
        const std::size_t rom_length = flash[2] * 512u;
        ASSERT_GT(rom_length, 0u);
        ASSERT_LE(rom_length, 0x10000u);
        EXPECT_EQ(byte_sum(flash, 0, rom_length), 0u) << "Option ROM checksum";
        EXPECT_EQ(flash[rom_length], 0xFF);  // erased after the image
        const unsigned pcir = le16(flash, 0x18);
        EXPECT_EQ(std::string(flash.begin() + pcir, flash.begin() + pcir + 4), "PCIR");
        // The $DM$ header within the first 512 bytes, with the version.
        const std::string head(flash.begin(), flash.begin() + 512);
        const std::size_t dm = head.find("$DM$");
        ASSERT_NE(dm, std::string::npos);
        EXPECT_EQ(flash[dm + 5], p.rom.version.major);
        EXPECT_EQ(flash[dm + 4], p.rom.version.minor);
        EXPECT_EQ(le16(flash, dm + 6), p.rom.version.third);
        // The settings record: magic, flag, length 444, version 0x0200.
        const std::size_t s = 0x30000;
        EXPECT_EQ(std::string(flash.begin() + s, flash.begin() + s + 4), std::string("KIB\0", 4));
        EXPECT_NE(flash[s + 4], 0);
        EXPECT_EQ(le16(flash, s + 5), 444u);
        EXPECT_EQ(le16(flash, s + 8), 0x0200u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[s + 0x0A])), p.initiator_name);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&flash[s + 0x7A])), p.target_name);
        EXPECT_EQ(le16(flash, s + 0xE1 + 4), 3260u);  // portal 1's port
        EXPECT_EQ(flash[s + 448], 0xFF);
    }
}

// Two adapters by default, with files of the exact sizes; the VPD a valid
// structure with the fixed keyword layout.
TEST(HbaemuInit, MakesTwoAdaptersByDefaultWithAValidVpd) {
    emulator_sandbox sandbox;
    const run_result r = hbaemu(sandbox, {"init"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"adapter00", "adapter01"}) {
        EXPECT_EQ(sandbox.read_file(std::string(name) + "/flash.bin").size(), kFlashBytes);
        EXPECT_EQ(sandbox.read_file(std::string(name) + "/config.bin").size(), 256u);
    }
    EXPECT_FALSE(std::filesystem::exists(sandbox.folder("adapter02")));
    EXPECT_EQ(sandbox.read_file("adapter00/vpd.bin").size(), 8192u);
    const std::vector<std::uint8_t> vpd = sandbox.read_file("adapter01/vpd.bin");
    ASSERT_EQ(vpd.size(), 8192u);
    const std::size_t v = 0xC00;
    EXPECT_EQ(vpd[v], 0x82);
    EXPECT_EQ(le16(vpd, v + 1), 16u);
    // Walk the items and keywords as a VPD reader does.
    std::vector<std::string> keywords;
    std::size_t at = v + 3 + 16;
    std::size_t rv_checksum = 0;
    for (std::uint8_t tag : {0x90, 0x91}) {
        ASSERT_EQ(vpd[at], tag);
        const std::size_t end = at + 3 + le16(vpd, at + 1);
        for (at += 3; at < end; at += 3 + vpd[at + 2]) {
            keywords.emplace_back(vpd.begin() + static_cast<std::ptrdiff_t>(at),
                                  vpd.begin() + static_cast<std::ptrdiff_t>(at + 2));
            if (keywords.back() == "RV") {
                rv_checksum = at + 3;
            }
        }
        ASSERT_EQ(at, end);
    }
    EXPECT_EQ(at, v + 0x1FF);
    EXPECT_EQ(vpd[at], 0x78);
    const std::vector<std::string> expected = {"PN", "EC", "SL", "NA", "V0", "V1", "V2", "V3", "V4", "V5", "V6",
                                               "V7", "V8", "V9", "VA", "RV", "VC", "VD", "VE", "VF", "RW"};
    EXPECT_EQ(keywords, expected);
    EXPECT_EQ(rv_checksum, v + 0xB0);
    EXPECT_EQ(byte_sum(vpd, v, rv_checksum + 1), 0u);
    // Reserved space is zero, so normalising the image changes nothing.
    EXPECT_EQ(byte_sum(vpd, v + 0xB1, v + 0x100), 0u);
    EXPECT_EQ(std::string(vpd.begin() + v + 0x52, vpd.begin() + v + 0x5E),
              realistic_adapter_profile(1).network_address);
}

TEST(HbaemuInit, IdsDifferPerAdapterAndAgreeBetweenConfigSpaceAndVpd) {
    emulator_sandbox sandbox;
    ASSERT_EQ(hbaemu(sandbox, {"init", "--count", "4"}).status, 0);
    std::vector<unsigned> seen;
    for (int index = 0; index < 4; ++index) {
        const adapter_profile p = realistic_adapter_profile(index);
        const std::vector<std::uint8_t> vpd = sandbox.read_file(p.folder_name + "/vpd.bin");
        const std::vector<std::uint8_t> config = sandbox.read_file(p.folder_name + "/config.bin");
        EXPECT_EQ(le16(vpd, 0x194E), p.vendor_id);
        EXPECT_EQ(le16(vpd, 0x1950), p.device_id);
        EXPECT_EQ(le16(config, 0), p.vendor_id);
        EXPECT_EQ(le16(config, 2), p.device_id);
        seen.push_back(le16(vpd, 0x194E) << 16 | le16(vpd, 0x1950));
        // Status bit 4: the capability list, which ends in VPD after 2 or 3 entries.
        EXPECT_NE(config[6] & 0x10, 0);
        unsigned last = 0;
        const std::vector<unsigned> ids = capability_ids(config, &last);
        EXPECT_GE(ids.size(), 2u);
        EXPECT_LE(ids.size(), 3u);
        EXPECT_EQ(ids.back(), 3u);
        EXPECT_EQ(last, p.vpd_capability_offset);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
}

TEST(HbaemuInit, RefusesToReplaceAdaptersUnlessForced) {
    emulator_sandbox sandbox;
    ASSERT_EQ(hbaemu(sandbox, {"init", "--count", "3"}).status, 0);
    sandbox.write_file("adapter00/flash.bin", erased_flash());
    sandbox.write_text("faults", "class-error 31\n");
    run_result r = hbaemu(sandbox, {"init"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(sandbox.read_file("adapter00/flash.bin"), erased_flash());
    r = hbaemu(sandbox, {"init", "--force"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(sandbox.read_file("adapter00/flash.bin")[0], 0x55);
    EXPECT_FALSE(std::filesystem::exists(sandbox.folder("adapter02")));  // exactly the count remains
    EXPECT_EQ(sandbox.read_text("faults"), "class-error 31\n");
}

TEST(HbaemuInit, CountMustBeOneToTwenty) {
    emulator_sandbox sandbox;
    for (const char* bad : {"0", "21", "x", "-1"}) {
        const run_result r = hbaemu(sandbox, {"init", "--count", bad});
        EXPECT_EQ(r.status, 2) << bad;
    }
    EXPECT_EQ(hbaemu(sandbox, {"init", "--count"}).status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.root()));
    ASSERT_EQ(hbaemu(sandbox, {"init", "--count", "20"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(sandbox.folder("adapter19/flash.bin")));
}

TEST(HbaemuMakeRom, WritesAValidImageOfTheGivenSizeAndVersion) {
    emulator_sandbox sandbox;
    const std::string file = sandbox.folder("rom.bin");
    const run_result r = hbaemu(sandbox, {"make-rom", file, "--size", "0x8000", "--version", "4.2.1000"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::uint8_t> image = sandbox.read_file("rom.bin");
    ASSERT_EQ(image.size(), 0x8000u);
    EXPECT_EQ(image[0], 0x55);
    EXPECT_EQ(image[1], 0xAA);
    EXPECT_EQ(image[2], 0x40);  // 64 blocks of 512
    EXPECT_EQ(byte_sum(image, 0, image.size()), 0u);
    const std::string head(image.begin(), image.begin() + 512);
    const std::size_t dm = head.find("$DM$");
    ASSERT_NE(dm, std::string::npos);
    EXPECT_EQ(image[dm + 5], 4);
    EXPECT_EQ(image[dm + 4], 2);
    EXPECT_EQ(le16(image, dm + 6), 1000u);
    // Sizes in kilobytes, and odd sizes for the utility's edges.
    ASSERT_EQ(hbaemu(sandbox, {"make-rom", sandbox.folder("a.bin"), "--size", "192K"}).status, 0);
    EXPECT_EQ(sandbox.read_file("a.bin").size(), 0x30000u);
    ASSERT_EQ(hbaemu(sandbox, {"make-rom", sandbox.folder("b.bin"), "--size", "65537"}).status, 0);
    const std::vector<std::uint8_t> odd = sandbox.read_file("b.bin");
    EXPECT_EQ(odd.size(), 65537u);
    EXPECT_EQ(byte_sum(odd, 0, odd.size()), 0u);
}

TEST(HbaemuMakeRom, RefusesBadArguments) {
    emulator_sandbox sandbox;
    EXPECT_EQ(hbaemu(sandbox, {"make-rom"}).status, 2);
    EXPECT_EQ(hbaemu(sandbox, {"make-rom", sandbox.folder("x.bin"), "--version", "1.2"}).status, 2);
    EXPECT_EQ(hbaemu(sandbox, {"make-rom", sandbox.folder("x.bin"), "--version", "256.0.0"}).status, 2);
    EXPECT_EQ(hbaemu(sandbox, {"make-rom", sandbox.folder("x.bin"), "--size", "12"}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(sandbox.folder("x.bin")));
    EXPECT_EQ(hbaemu(sandbox, {"make-rom", "/nonexistent-dir/x.bin"}).status, 1);
}

TEST(HbaemuShow, AnnotatesTheOptionRomAndTheSettingsRecord) {
    emulator_sandbox sandbox;
    ASSERT_EQ(hbaemu(sandbox, {"init"}).status, 0);
    const run_result r = hbaemu(sandbox, {"show", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const adapter_profile p = realistic_adapter_profile(1);
    for (const std::string& expected :
         {std::string("Adapter 1: "), std::string("Option ROM: present (55 aa)"), std::string("checksum ok"),
          std::string("version 2.6.13"), std::string("+0x000  magic"), std::string("\"KIB\""),
          std::string("+0x005  length"), std::string("444 (0x01bc)"), std::string("+0x00a  initiatorname"),
          "\"" + p.initiator_name + "\"", std::string("192.168.10.101"), std::string("portal 1"),
          std::string("192.168.10.10:3260"), std::string("+0x1bb  oskorvaneini")}) {
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    }
}

TEST(HbaemuShow, ErasedFlashAndMissingAdapters) {
    emulator_sandbox sandbox;
    sandbox.add_blank_adapter("adapter00");
    run_result r = hbaemu(sandbox, {"show"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Option ROM: not present (flash begins ff ff)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("erased"), std::string::npos) << r.out;
    r = hbaemu(sandbox, {"show", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no adapter 1"), std::string::npos) << r.err;
}

TEST(HbaemuFault, AddsKeysTheEmulatorAcceptsAndRefusesOthers) {
    emulator_sandbox sandbox;
    ASSERT_EQ(hbaemu(sandbox, {"init"}).status, 0);
    EXPECT_EQ(hbaemu(sandbox, {"fault", "1", "erase-busy-polls", "7"}).status, 0);
    EXPECT_EQ(hbaemu(sandbox, {"fault", "1", "vpd-stuck"}).status, 0);
    EXPECT_EQ(hbaemu(sandbox, {"fault", "1", "no-such-fault"}).status, 2);
    EXPECT_EQ(hbaemu(sandbox, {"fault", "1", "class-error", "31"}).status, 2);  // root only
    EXPECT_EQ(sandbox.read_text("adapter01/faults"), "erase-busy-polls 7\nvpd-stuck\n");
    EXPECT_EQ(hbaemu(sandbox, {"fault", "root", "class-error", "31"}).status, 0);
    EXPECT_EQ(sandbox.read_text("faults"), "class-error 31\n");
    EXPECT_EQ(hbaemu(sandbox, {"fault", "1"}).out, "erase-busy-polls 7\nvpd-stuck\n");
    EXPECT_EQ(hbaemu(sandbox, {"fault", "1", "--clear"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(sandbox.folder("adapter01/faults")));
}

TEST(HbaemuHelp, EveryCommandHasHelpBothWays) {
    emulator_sandbox sandbox;
    const run_result overview = hbaemu(sandbox, {"--help"});
    EXPECT_EQ(overview.status, 0);
    for (const char* command : {"init", "list", "show", "make-rom", "fault"}) {
        EXPECT_NE(overview.out.find(std::string("hbaemu ") + command), std::string::npos) << command;
        const run_result help = hbaemu(sandbox, {"help", command});
        const run_result option = hbaemu(sandbox, {command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out, option.out) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage: hbaemu ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(hbaemu(sandbox, {"frobnicate"}).status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.root()));  // help touched nothing
}

}  // namespace
