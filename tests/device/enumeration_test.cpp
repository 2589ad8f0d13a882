// Which adapters enumeration finds, how it fills the handle table, and what
// it says about the interfaces it cannot open.
#include "device_test_support.h"
#include "support/flash_wire.h"

#include "device/driver_requests.h"

#include <cstdio>
#include <filesystem>

namespace {

using Enumeration = emulated_adapters_test;

// A register read reaches the emulator only through an open slot; an empty
// or failed slot is refused with invalid handle (6) before it.
bool slot_is_open(std::uint8_t adapter) {
    ::testing::internal::CaptureStderr();
    reg_read(adapter, flash_wire::kControlRegister);
    return ::testing::internal::GetCapturedStderr().empty();
}

TEST_F(Enumeration, CountsTheAdaptersPresent) {
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 0);
    box.add_blank_adapters(1);
    EXPECT_EQ(enumerate(&out, &err), 1);
    box.add_blank_adapters(3);  // adds adapter01 and adapter02 beside adapter00
    EXPECT_EQ(enumerate(&out, &err), 3);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    for (std::uint8_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(slot_is_open(i)) << "adapter " << int(i);
    }
    EXPECT_FALSE(slot_is_open(3));
}

TEST_F(Enumeration, BeyondTwentyOnlyTheFirstTwentyAreOpened) {
    box.add_blank_adapters(25);
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 20);
    for (std::uint8_t i = 0; i < 20; ++i) {
        EXPECT_TRUE(slot_is_open(i)) << "adapter " << int(i);
    }
    EXPECT_FALSE(another_process_can_open(box.folder("adapter19")));
    EXPECT_TRUE(another_process_can_open(box.folder("adapter20")));
    EXPECT_TRUE(another_process_can_open(box.folder("adapter24")));
}

TEST_F(Enumeration, AdaptersAreIndexedInByteOrderOfTheirFolderNames) {
    box.add_blank_adapter("b");
    box.add_blank_adapter("B");
    box.add_blank_adapter("a10");
    box.add_blank_adapter("a9");
    box.write_text("B/faults", "open-error 5\n");   // uppercase sorts first: index 0
    box.write_text("a9/faults", "open-error 7\n");  // after "a10": index 2
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 4);
    EXPECT_EQ(out, "CreateFile failed: 0x5CreateFile failed: 0x7");
    // Access denied (5) alone gets its reason, naming the adapter's index.
    EXPECT_EQ(err,
              "ERROR: Adapter 0 could not be opened: access denied; run from an elevated command prompt (Run as "
              "administrator)!\n");
    EXPECT_FALSE(slot_is_open(0));
    EXPECT_TRUE(slot_is_open(1));
    EXPECT_FALSE(slot_is_open(2));
    EXPECT_TRUE(slot_is_open(3));
}

TEST_F(Enumeration, FoldersWithoutFlashAreNotAdapters) {
    box.add_blank_adapters(2);
    std::filesystem::create_directories(box.folder("empty-folder"));
    box.write_text("not-a-folder", "x");
    box.write_text("adapter01/flash.bin", "");  // present but broken: still an adapter
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 2);
    EXPECT_EQ(out, "CreateFile failed: 0xd");  // 13, invalid data
}

TEST_F(Enumeration, BrokenAdapterFilesFailTheOpenWithInvalidData) {
    box.add_blank_adapters(3);
    box.write_file("adapter00/config.bin", std::vector<std::uint8_t>(255, 0));
    std::filesystem::remove(box.folder("adapter02/vpd.bin"));
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 3);
    EXPECT_EQ(out, "CreateFile failed: 0xdCreateFile failed: 0xd");
    EXPECT_EQ(err, "");
    EXPECT_FALSE(slot_is_open(0));
    EXPECT_TRUE(slot_is_open(1));
    EXPECT_FALSE(slot_is_open(2));
}

TEST_F(Enumeration, MissingRootMeansNoAdapter) {
    point_emulator_at(box.root() + "/does-not-exist");
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 0);
    EXPECT_EQ(out + err, "");
}

// A root that is there but cannot serve (a file, say) is a mistake worth a
// line, unlike a root that is simply missing.
TEST_F(Enumeration, RootThatIsNoFolderMeansNoAdapterAndIsNamed) {
    box.add_blank_adapters(1);
    const std::string file_root = box.folder("adapter00/flash.bin");
    point_emulator_at(file_root);
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "hbaemu: emulator root " + file_root + " is not a readable folder\n");
}

TEST_F(Enumeration, FailAfterBeyondSixtyFourBitsIsRefusedLikeOtherNumbers) {
    box.add_blank_adapters(1);
    box.write_text("adapter00/faults", "fail-after 18446744073709551616\nregister-error 4294967296\n");
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 1);
    const std::string faults = box.folder("adapter00/faults");
    EXPECT_EQ(err, "hbaemu: " + faults + ":1: 'fail-after' needs a number\nhbaemu: " + faults +
                       ":2: 'register-error' needs a number\n");
    EXPECT_TRUE(slot_is_open(0));  // neither fault is in force
}

TEST_F(Enumeration, UnavailableInterfaceListLeavesTheTableEmpty) {
    box.add_blank_adapters(2);
    box.write_text("faults", "class-error 1234\n");
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "SetupDiGetClassDevs failed: 4d2\n");
    EXPECT_FALSE(slot_is_open(0));
}

TEST_F(Enumeration, DetailQueryFailuresLeaveTheSlotEmptyAndStillCount) {
    box.add_blank_adapters(3);
    box.write_text("adapter00/faults", "detail-size-error 87\n");
    box.write_text("adapter01/faults", "# the path cannot be had\ndetail-error 31\n");
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 3);
    EXPECT_EQ(out, "Error in SetupDiGetDeviceInterfaceDetail87\nError in SetupDiGetDeviceInterfaceDetail\n");
    EXPECT_EQ(err, "Device handle could not be opened!\nDevice handle could not be opened!\n");
    EXPECT_FALSE(slot_is_open(0));
    EXPECT_FALSE(slot_is_open(1));
    EXPECT_TRUE(slot_is_open(2));
}

TEST_F(Enumeration, EnumeratingAgainClosesEveryHandleFirst) {
    box.add_blank_adapters(3);
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 3);
    // A folder without flash.bin is no adapter: park two adapters in one.
    std::filesystem::create_directories(box.folder("parked"));
    std::filesystem::rename(box.folder("adapter01"), box.folder("parked/adapter01"));
    std::filesystem::rename(box.folder("adapter02"), box.folder("parked/adapter02"));
    EXPECT_EQ(enumerate(&out, &err), 1);
    EXPECT_TRUE(slot_is_open(0));
    EXPECT_FALSE(slot_is_open(1));
    EXPECT_FALSE(slot_is_open(2));
    // The handles of the adapters that went away were closed.
    EXPECT_FALSE(another_process_can_open(box.folder("adapter00")));
    EXPECT_TRUE(another_process_can_open(box.folder("parked/adapter01")));
    EXPECT_TRUE(another_process_can_open(box.folder("parked/adapter02")));
}

TEST_F(Enumeration, UnknownFaultKeysAreReportedWhenTheAdapterIsOpened) {
    box.add_blank_adapters(1);
    box.write_text("adapter00/faults", "no-such-fault 3\n");
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 1);
    EXPECT_NE(err.find("unknown fault key 'no-such-fault'"), std::string::npos) << err;
    EXPECT_TRUE(slot_is_open(0));
}

}  // namespace

namespace {

TEST_F(Enumeration, RootFaultsFileProblemsAreReported) {
    box.add_blank_adapters(1);
    box.write_text("faults", "bogus-root-key\nopen-error 5\n");
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 1);
    EXPECT_NE(err.find("unknown fault key 'bogus-root-key'"), std::string::npos) << err;
    EXPECT_NE(err.find("\nhbaemu: " + box.root() + "/faults:2: only class-error belongs in the root folder"),
              std::string::npos)
        << err;
    EXPECT_TRUE(slot_is_open(0));  // an adapter fault in the root applies to none
}

TEST_F(Enumeration, AFolderNamedFlashBinIsNoAdapterFile) {
    box.add_blank_adapters(1);
    std::filesystem::create_directories(box.folder("odd/flash.bin"));
    std::string out, err;
    EXPECT_EQ(enumerate(&out, &err), 1);
    EXPECT_EQ(out + err, "");
}

}  // namespace
