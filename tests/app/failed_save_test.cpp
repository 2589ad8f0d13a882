// What a failed save says about the settings it leaves, through the built
// binary on a realistic adapter: the configure command's save and the
// restore's settings part, each with a fault inside the erase or inside the
// page programs. The sector is read back where the erase failed, so the last
// line tells the operator whether the previous settings may be lost and how
// a backup brings them back.
#include "emulator/contents/adapter_profile.h"
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kFolder = realistic_adapter_profile(0).folder_name;

constexpr const char kMayBeLost[] =
    "ERROR: The previous settings may be lost; put them back from a backup with \"hbabootcfg --restore 0 "
    "BACKUP-FILE settings --force\".\n";
constexpr const char kNotPutBack[] = "ERROR: Previous settings could not be restored!\n";

struct failed_save_case {
    const char* fault;
    bool in_a_page;  // the fault hits a page program: a put-back is tried
};

// fail-after 460 falls inside the configure's erase, 600 inside its first
// page.
const failed_save_case kConfigureCases[] = {
    {"erase-busy-polls 5", false},  {"flash-stuck", false},   {"fail-after 460", false},
    {"program-busy-polls 5", true}, {"fail-after 600", true},
};

TEST(FailedSave, ConfigureSaysWhetherThePreviousSettingsMayBeLost) {
    for (const failed_save_case& c : kConfigureCases) {
        emulator_sandbox box;
        add_realistic_adapters(box, 1);
        box.write_text(kFolder + "/faults", std::string(c.fault) + "\n");
        const run_result r = box.run({"--configure", "0", "vlanid=9"});
        EXPECT_EQ(r.status, 255) << c.fault;
        EXPECT_TRUE(r.err.ends_with(kMayBeLost)) << c.fault << ":\n" << r.err;
        const std::string before_last = r.err.substr(0, r.err.size() - std::string(kMayBeLost).size());
        // Each program failure first tries to put the previous record back.
        if (c.in_a_page) {
            EXPECT_TRUE(before_last.ends_with(kNotPutBack)) << c.fault << ":\n" << r.err;
        } else {
            EXPECT_EQ(before_last.find(kNotPutBack), std::string::npos) << c.fault << ":\n" << r.err;
            EXPECT_EQ(r.out, "") << c.fault;  // no prompt: the erase never finished
        }
        EXPECT_EQ(r.err.find("Interrupted"), std::string::npos);
    }
}

// The restore's settings part saves like configure and says the same.
TEST(FailedSave, RestoreOfSettingsSaysTheSame) {
    for (const char* fault : {"erase-busy-polls 5", "program-busy-polls 5"}) {
        emulator_sandbox box;
        add_realistic_adapters(box, 1);
        ASSERT_EQ(box.run({"--backup", "0", box.folder("made.bak")}).status, 0);
        ASSERT_EQ(box.run({"--configure", "0", "vlanid=9"}).status, 0);
        box.write_text(kFolder + "/faults", std::string(fault) + "\n");
        const run_result r = box.run({"--restore", "0", box.folder("made.bak"), "settings", "--force"});
        EXPECT_EQ(r.status, 255) << fault;
        EXPECT_TRUE(r.err.ends_with(kMayBeLost)) << fault << ":\n" << r.err;
    }
}

// Every page reported programmed but the record cannot be read back: the new
// settings are most likely in place, unchecked.
TEST(FailedSave, UnreadableReadBackSaysTheNewSettingsAreUnchecked) {
    emulator_sandbox box;
    add_realistic_adapters(box, 1);
    box.write_text(kFolder + "/faults", "fail-after 1100\n");
    const run_result r = box.run({"--configure", "0", "vlanid=9"});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(
        r.err.ends_with("ERROR: The new settings are most likely in place but unchecked; the previous ones "
                        "can be put back from a backup with \"hbabootcfg --restore 0 BACKUP-FILE settings "
                        "--force\".\n"))
        << r.err;
}

}  // namespace
