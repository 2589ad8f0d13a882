// A configure or an update run again writes nothing: through the built
// binary on a realistic adapter, traced, each case says what it prints and
// which sectors it erases and programs. The dry runs write nothing at all.
#include "emulator/contents/adapter_profile.h"
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const std::string kFolder = realistic_adapter_profile(0).folder_name;
const std::string kSaving = "Saving settings to Adapter... please wait  ";
const std::string kUpdated = "Option ROM flashing operation succeeded.\n";
constexpr std::size_t kFlagByte = 0x30004;  // the record's flag, which a save turns from 0 into 1

struct run_case {
    const char* what;
    std::vector<std::string> arguments;  // after the command word and "0"; IMAGE: the file to update with
    std::string out;                     // all of it, or (ending "*") its end
    std::vector<int> erased = {};
    int status = 0;
    std::string err = {};
    std::string fault = {};  // written to the adapter's faults file before the run
};

// A realistic adapter whose Option ROM region holds a three-sector image,
// and image.rom beside it: that image, or it with two bytes of sector
// `changed` traded (the checksum stays right).
class WriteOnlyChanges : public ::testing::Test {
protected:
    void SetUp() override {
        add_realistic_adapters(box, 1);
        ASSERT_EQ(run_program(HBAEMU_PATH, {"make-rom", box.folder("image.rom"), "--size", "0x30000"}).status, 0);
        ASSERT_EQ(box.run({"--update", "0", box.folder("image.rom")}).status, 0);
    }

    void change_image_sector(int changed) {
        std::vector<std::uint8_t> image = box.read_file("image.rom");
        const std::size_t at = static_cast<std::size_t>(changed) * 0x10000 + 0x100;
        image[at] = static_cast<std::uint8_t>(image[at] + 1);
        image[at + 1] = static_cast<std::uint8_t>(image[at + 1] - 1);
        box.write_file("image.rom", image);
    }

    void expect_run(const char* command, const run_case& c) {
        std::vector<std::string> arguments = {command, "0"};
        for (const std::string& a : c.arguments) {
            arguments.push_back(a == "IMAGE" ? box.folder("image.rom") : a);
        }
        box.write_text(kFolder + "/faults", c.fault);
        const std::vector<std::uint8_t> before = box.read_file(kFolder + "/flash.bin");
        const run_result r = box.run(arguments, true);
        if (c.out.ends_with("*")) {
            EXPECT_TRUE(r.out.ends_with(c.out.substr(0, c.out.size() - 1))) << c.what << ":\n" << r.out;
        } else {
            EXPECT_EQ(r.out, c.out) << c.what;
        }
        EXPECT_EQ(r.err, c.err) << c.what;
        EXPECT_EQ(r.status, c.status) << c.what;
        const std::string trace = box.read_text("trace.log");
        EXPECT_EQ(erased_sectors_in_trace(trace), c.erased) << c.what;
        EXPECT_EQ(programmed_pieces_in_trace(trace).empty(), c.erased.empty()) << c.what;
        if (c.erased.empty()) {
            EXPECT_EQ(box.read_file(kFolder + "/flash.bin"), before) << c.what;
        }
        box.write_text("trace.log", "");
    }

    emulator_sandbox box;
};

TEST_F(WriteOnlyChanges, ConfigureSavesOnlyARecordThatWouldChange) {
    const run_case cases[] = {
        {"nothing changes", {"vlanid=0", "bootenabled=yes"}, "Settings unchanged, nothing written.\n"},
        {"one setting changes", {"vlanid=0", "vlanid=12"}, kSaving, {3}},
        {"the header needs the fix-ups", {"vlanid=12"}, kSaving, {3}},  // the flag is cleared first
    };
    for (const run_case& c : cases) {
        if (&c == &cases[2]) {
            std::vector<std::uint8_t> flash = box.read_file(kFolder + "/flash.bin");
            flash[kFlagByte] = 0;
            box.write_file(kFolder + "/flash.bin", flash);
        }
        expect_run("--configure", c);
    }
    EXPECT_EQ(box.read_file(kFolder + "/flash.bin")[kFlagByte], 1);
}

TEST_F(WriteOnlyChanges, UpdateErasesOnlyTheSectorsThatDiffer) {
    const std::string refused = "ERROR: register read failed with error code: 31!\n";
    const std::string write_failed = refused + "ERROR: write to serial flash failed!\n";
    const std::string read_failed = write_failed + refused + "ERROR: could not read from serial flash!\n" +
                                    "ERROR: could not write/read from serial flash!\n";
    const run_case cases[] = {
        {"the same image", {"IMAGE"}, "Option ROM unchanged, nothing written.\n"},
        {"sector 1 differs", {"IMAGE"}, "\b\b\b\b\b\b66.67%\b\b\b\b\b\b100.00%\b\b\n" + kUpdated + "*", {1}},
        // The update goes on as without the comparison, to the erase, which
        // fails on this adapter too.
        {"the comparing read fails",
         {"IMAGE"},
         "Erasing Option ROM from Adapter.. please wait\n",
         {},
         255,
         read_failed + write_failed + "ERROR: Boot image download failed, error 6\n",
         "register-error 31\n"},
    };
    for (const run_case& c : cases) {
        if (&c == &cases[1]) {
            change_image_sector(1);  // sectors 0 and 2 stay as the flash holds them
        }
        expect_run("--update", c);
    }
}

TEST_F(WriteOnlyChanges, DryRunsSayWhatWouldChangeAndWriteNothing) {
    const run_case configure_cases[] = {
        {"changes",
         {"vlanid=12", "targetportal=2@10.1.1.1:3260", "-n"},
         "vlanid: 0 -> 12\n"
         "targetportal: 1@192.168.10.10:3260 -> 1@192.168.10.10:3260, 2@10.1.1.1:3260\n"
         "deleteportal: 2 -> \n"
         "3 settings would change; nothing written (dry run).\n"},
        {"none", {"vlanid=0", "--dry-run"}, "Settings unchanged, nothing to write (dry run).\n"},
        {"secrets",
         {"initiatorpass=secret-one-12", "targetpass=secret-two-12", "--dry-run"},
         "initiatorpass: changed\ntargetpass: changed\n2 settings would change; nothing written (dry run).\n"},
        {"a refusal",
         {"vlanid=12", "vlanid=5000", "--dry-run"},
         "",
         {},
         255,
         "ERROR: VLAN ID needs to be between 1 and 4094 or 0 to clear the VLAN ID!\n"},
    };
    for (const run_case& c : configure_cases) {
        expect_run("--configure", c);
    }
    expect_run("--update",
               {"same image", {"IMAGE", "--dry-run"}, "Option ROM unchanged, nothing to write (dry run).\n"});
    change_image_sector(2);
    expect_run("--update", {"sector 2 differs",
                            {"IMAGE", "--force", "-n"},
                            "1 of 3 sectors would be erased and written; nothing written (dry run).\n"});
}

}  // namespace
