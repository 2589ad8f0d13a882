// An adapter is opened exclusively, across processes, as share mode 0 opens
// it on Windows; the hold ends with the process.
#include "device_test_support.h"

#include <filesystem>

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
    // Both opens fail (32 = 0x20); the display then meets the failed slot.
    EXPECT_EQ(r.out.rfind("CreateFile failed: 0x20CreateFile failed: 0x20", 0), 0u) << r.out;
    EXPECT_NE(r.err.find("ERROR: register read failed with error code: 6!\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.status, 0);
}

TEST_F(ExclusiveOpen, HoldEndsWhenTheHandlesAreClosed) {
    box.add_blank_adapters(1);
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 1);
    EXPECT_FALSE(another_process_can_open(box.folder("adapter00")));
    close_adapter_handles();
    EXPECT_TRUE(another_process_can_open(box.folder("adapter00")));
}

TEST_F(ExclusiveOpen, HoldEndsWithTheProcessThatHadIt) {
    box.add_blank_adapters(1);
    // The utility exits while holding the adapter; nothing stays locked.
    EXPECT_EQ(box.run({"-v", "0"}).status, 0);
    EXPECT_EQ(box.run({"-v", "0"}).out, "");
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

}  // namespace
