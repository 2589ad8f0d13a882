// Which adapters enumeration finds, how it fills the handle table, and what
// it says about the interfaces it cannot open.
#include "device_test_support.h"
#include "support/flash_wire.h"

#include "device/driver_requests.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using Enumeration = emulated_adapters_test;

// A register read reaches the emulator only through an open slot; an empty
// or failed slot is refused with invalid handle (6) before it.
bool slot_is_open(std::uint8_t adapter) {
    ::testing::internal::CaptureStderr();
    reg_read(adapter, flash_wire::kControlRegister);
    return ::testing::internal::GetCapturedStderr().empty();
}

// Each row: the folders and faults under the root, the root the emulator is
// pointed at (empty: the sandbox's), what enumeration counts and prints
// (ROOT stands for the sandbox's root), and which slots are open after it
// ('1' open, '0' empty or failed; the slot after the last is empty).
struct enumeration_case {
    const char* name;
    std::function<void(emulator_sandbox&)> lay_out;
    std::string root;
    int count;
    const char* out;
    const char* err;
    const char* open_slots;
};

const enumeration_case kCases[] = {
    {"no adapter", [](emulator_sandbox&) {}, "", 0, "", "", ""},
    {"three adapters", [](emulator_sandbox& box) { box.add_blank_adapters(3); }, "", 3, "", "", "111"},
    // Byte order of the folder names: uppercase first, "a10" before "a9".
    // Access denied (5) alone gets its reason, naming the adapter's index.
    {"byte order of the folder names",
     [](emulator_sandbox& box) {
         for (const char* name : {"b", "B", "a10", "a9"}) {
             box.add_blank_adapter(name);
         }
         box.write_text("B/faults", "open-error 5\n");
         box.write_text("a9/faults", "open-error 7\n");
     },
     "", 4, "CreateFile failed: 0x5CreateFile failed: 0x7",
     "ERROR: Adapter 0 could not be opened: access denied; run from an elevated command prompt (Run as "
     "administrator)!\n",
     "0101"},
    // A file, a folder without flash.bin or a folder named flash.bin is no
    // adapter; an empty flash.bin is a broken adapter (13, invalid data).
    {"folders without flash",
     [](emulator_sandbox& box) {
         box.add_blank_adapters(2);
         std::filesystem::create_directories(box.folder("empty-folder"));
         std::filesystem::create_directories(box.folder("odd/flash.bin"));
         box.write_text("not-a-folder", "x");
         box.write_text("adapter01/flash.bin", "");
     },
     "", 2, "CreateFile failed: 0xd", "", "10"},
    {"broken adapter files",
     [](emulator_sandbox& box) {
         box.add_blank_adapters(3);
         box.write_file("adapter00/config.bin", std::vector<std::uint8_t>(255, 0));
         std::filesystem::remove(box.folder("adapter02/vpd.bin"));
     },
     "", 3, "CreateFile failed: 0xdCreateFile failed: 0xd", "", "010"},
    {"missing root", [](emulator_sandbox&) {}, "/does-not-exist", 0, "", "", ""},
    // A root that is there but cannot serve is a mistake worth a line.
    {"root that is no folder", [](emulator_sandbox& box) { box.add_blank_adapters(1); }, "/adapter00/flash.bin", 0, "",
     "hbaemu: emulator root ROOT/adapter00/flash.bin is not a readable folder\n", "0"},
    // Numbers beyond 64 or 32 bits are refused like other numbers: neither
    // fault is in force; unknown keys are reported and the adapter opens.
    {"faults that are not understood",
     [](emulator_sandbox& box) {
         box.add_blank_adapters(2);
         box.write_text("adapter00/faults", "fail-after 18446744073709551616\nregister-error 4294967296\n");
         box.write_text("adapter01/faults", "no-such-fault 3\n");
     },
     "", 2, "",
     "hbaemu: ROOT/adapter00/faults:1: 'fail-after' needs a number\n"
     "hbaemu: ROOT/adapter00/faults:2: 'register-error' needs a number\n"
     "hbaemu: ROOT/adapter01/faults:1: unknown fault key 'no-such-fault'\n",
     "11"},
    // An adapter fault in the root applies to none.
    {"root faults file problems",
     [](emulator_sandbox& box) {
         box.add_blank_adapters(1);
         box.write_text("faults", "bogus-root-key\nopen-error 5\n");
     },
     "", 1, "",
     "hbaemu: ROOT/faults:1: unknown fault key 'bogus-root-key'\n"
     "hbaemu: ROOT/faults:2: only class-error belongs in the root folder, not 'open-error'\n",
     "1"},
    {"unavailable interface list",
     [](emulator_sandbox& box) {
         box.add_blank_adapters(2);
         box.write_text("faults", "class-error 1234\n");
     },
     "", 0, "", "SetupDiGetClassDevs failed: 4d2\n", "0"},
    // Detail query failures leave the slot empty and still count.
    {"detail query failures",
     [](emulator_sandbox& box) {
         box.add_blank_adapters(3);
         box.write_text("adapter00/faults", "detail-size-error 87\n");
         box.write_text("adapter01/faults", "# the path cannot be had\ndetail-error 31\n");
     },
     "", 3, "Error in SetupDiGetDeviceInterfaceDetail87\nError in SetupDiGetDeviceInterfaceDetail\n",
     "Device handle could not be opened!\nDevice handle could not be opened!\n", "001"},
};

std::string with_root(std::string text, const std::string& root) {
    for (std::size_t at = text.find("ROOT"); at != std::string::npos; at = text.find("ROOT", at + root.size())) {
        text.replace(at, 4, root);
    }
    return text;
}

TEST(EnumerationTable, CountsPrintsAndOpensWhatEachRootHolds) {
    for (const enumeration_case& c : kCases) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        box.use_in_this_process();
        c.lay_out(box);
        if (!c.root.empty()) {
            point_emulator_at(box.root() + c.root);
        }
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(enumerate_adapters(), c.count);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.out);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), with_root(c.err, box.root()));
        const std::string slots = std::string(c.open_slots) + "0";
        for (std::size_t i = 0; i < slots.size(); ++i) {
            EXPECT_EQ(slot_is_open(static_cast<std::uint8_t>(i)), slots[i] == '1') << "slot " << i;
        }
    }
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

}  // namespace
