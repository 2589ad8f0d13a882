// An adapter is opened exclusively, across processes, as share mode 0 opens
// it on Windows; the hold ends with the process.
#include "device_test_support.h"
#include "support/realistic_adapters.h"

#include <filesystem>
#include <string>
#include <vector>

bool another_process_can_open(const std::string& folder) {
    emulator_sandbox other;
    std::filesystem::create_directory_symlink(folder, other.folder("linked"));
    const run_result r = other.run({"-v", "0"});
    return r.out.empty() && r.status == 0;
}

namespace {

using ExclusiveOpen = emulated_adapters_test;

TEST_F(ExclusiveOpen, SecondProcessIsRefusedWithSharingViolation) {
    box.add_blank_adapters(2);
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 2);
    const run_result r = box.run({"--display", "1"});
    // Both opens fail (32 = 0x20), each said in one line first; the display
    // then meets the failed slot, cannot read the flash and fails.
    EXPECT_EQ(r.out.rfind("CreateFile failed: 0x20CreateFile failed: 0x20", 0), 0u) << r.out;
    EXPECT_EQ(r.err.rfind("ERROR: Adapter 0 is in use by another program (error 32)!\n"
                          "ERROR: Adapter 1 is in use by another program (error 32)!\n"
                          "ERROR: register read failed with error code: 6!\n",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(r.status, 255);
}

// The hold ends when the handles are closed, and with the process that had
// it: the utility exits while holding the adapter, nothing stays locked.
TEST_F(ExclusiveOpen, HoldEndsWhenTheHandlesAreClosedOrTheProcessEnds) {
    box.add_blank_adapters(1);
    EXPECT_EQ(box.run({"-v", "0"}).status, 0);
    EXPECT_EQ(box.run({"-v", "0"}).out, "");
    EXPECT_TRUE(another_process_can_open(box.folder("adapter00")));
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 1);
    EXPECT_FALSE(another_process_can_open(box.folder("adapter00")));
    close_adapter_handles();
    EXPECT_TRUE(another_process_can_open(box.folder("adapter00")));
}

TEST_F(ExclusiveOpen, OpenErrorFaultFailsTheOpenWithItsNumber) {
    box.add_blank_adapters(3);
    box.write_text("adapter01/faults", "open-error 1167\n");
    const run_result r = box.run({"-v", "0"});
    EXPECT_EQ(r.out, "CreateFile failed: 0x48f");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Held by another program, every command says so in one line on standard
// error before its own lines; what follows is what it always printed.
TEST_F(ExclusiveOpen, EveryCommandSaysFirstThatTheAdapterIsInUse) {
    add_realistic_adapters(box, 1);
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 1);  // this process now holds adapter00
    const std::string in_use = "ERROR: Adapter 0 is in use by another program (error 32)!\n";
    struct row {
        std::vector<std::string> arguments;
        const char* next_error;  // the command's own first line
        int status;
    };
    const std::vector<row> rows = {
        {{"--display", "0"}, "ERROR: register read failed with error code: 6!\n", 255},
        {{"--configure", "0", "vlanid=9"}, "ERROR: register read failed with error code: 6!\n", 255},
        {{"--backup", "0", box.folder("held.bak")}, "ERROR: register read failed with error code: 6!\n", 255},
        {{"--erase", "0", "settings", "--force"}, "ERROR: register read failed with error code: 6!\n", 255},
        {{"--list"}, "", 0},
    };
    const std::vector<std::uint8_t> flash = box.read_file("adapter00/flash.bin");
    for (const row& c : rows) {
        SCOPED_TRACE(c.arguments[0]);
        const run_result r = box.run(c.arguments);
        EXPECT_EQ(r.out.rfind("CreateFile failed: 0x20", 0), 0u) << r.out;
        EXPECT_EQ(r.err.rfind(in_use + c.next_error, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find(in_use, 1), std::string::npos) << r.err;
        EXPECT_EQ(r.status, c.status);
    }
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), flash);
}

}  // namespace
