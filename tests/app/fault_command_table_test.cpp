// Every fault the emulator can inject against every command, through the
// built binary on a realistic adapter. Whatever the fault, a run that ends
// with status 0 has left the flash as a healthy run leaves it, no failure
// goes unsaid, and no line claims what did not happen: "done." and
// "succeeded" only when the flash holds what was asked, "differ" only when
// it does not, "restored" only when the previous record is back and "could
// not be restored" only when it is not, "equals" only from a compare that
// succeeds, and the display shows nothing but a beginning of the healthy
// display (so neither "not present" nor zeros). A backup file exists only
// when it holds what the adapter holds.
#include "device/adapter_table.h"
#include "emulator/contents/adapter_profile.h"
#include "emulator/contents/option_rom_image.h"
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The adapter's faults file; "root ..." the root's, "held" another process
// holding the adapter, "cut N" fail-after N eighths of a healthy run's
// requests (8: all but the last).
const std::vector<std::string> kFaults = {"root class-error 31",
                                          "detail-size-error 31",
                                          "detail-error 31",
                                          "open-error 5",
                                          "held",
                                          "register-error 31",
                                          "config-read-error 31",
                                          "config-write-error 31",
                                          "controller-busy-reads 5",
                                          "controller-stuck",
                                          "program-busy-polls 4",
                                          "program-busy-polls 5",
                                          "erase-busy-polls 5",
                                          "program-time-us 20000",
                                          "erase-time-ms 3000",
                                          "flash-stuck",
                                          "vpd-busy-reads 4000000000",
                                          "vpd-stuck",
                                          "cut 0",
                                          "cut 1",
                                          "cut 2",
                                          "cut 3",
                                          "cut 4",
                                          "cut 5",
                                          "cut 6",
                                          "cut 7",
                                          "cut 8"};

struct outcome {
    run_result r;
    std::vector<std::uint8_t> flash;
    std::vector<std::uint8_t> backup;  // what --backup wrote, if anything
    std::size_t requests = 0;
};

bool has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// A restore puts back a backup of the adapter as made, after a new Option
// ROM and other settings; a verify compares with a backup of the adapter as
// it is. prepare_only runs no command on top of that.
outcome run_with(std::vector<std::string> arguments, const std::string& fault, std::size_t healthy_requests,
                 bool prepare_only = false) {
    emulator_sandbox box;
    add_realistic_adapters(box, 1);
    const std::string folder = realistic_adapter_profile(0).folder_name;
    box.write_file("update.rom", build_option_rom_image({.size = 0x10100, .version = {9, 8, 7}}));
    if (std::find(arguments.begin(), arguments.end(), "BACKUP") != arguments.end()) {
        box.run({"--backup", "0", box.folder("made.bin")});
        box.run({"--update", "0", box.folder("update.rom")});
        box.run({"--configure", "0", "vlanid=9"});
    }
    if (std::find(arguments.begin(), arguments.end(), "SAME") != arguments.end()) {
        box.run({"--backup", "0", box.folder("same.bin")});
    }
    std::replace(arguments.begin(), arguments.end(), std::string("IMAGE"), box.folder("update.rom"));
    std::replace(arguments.begin(), arguments.end(), std::string("SAME"), box.folder("same.bin"));
    std::replace(arguments.begin(), arguments.end(), std::string("BACKUP"), box.folder("made.bin"));
    std::replace(arguments.begin(), arguments.end(), std::string("OUT"), box.folder("out.bin"));
    if (prepare_only) {
        arguments = {"--version"};
    }
    std::string faults = fault;
    if (fault.starts_with("cut ")) {
        const std::size_t eighths = std::stoul(fault.substr(4));
        faults = "fail-after " + std::to_string(eighths == 8 ? healthy_requests - 1 : healthy_requests * eighths / 8);
    }
    if (fault.starts_with("root ")) {
        box.write_text("faults", fault.substr(5));
    } else if (fault != "held") {
        box.write_text(folder + "/faults", faults);
    } else {
        box.use_in_this_process();
        enumerate_adapters();
    }
    outcome o{box.run(arguments, fault.empty()), {}, {}, 0};
    close_adapter_handles();
    o.flash = box.read_file(folder + "/flash.bin");
    if (std::filesystem::exists(box.folder("out.bin"))) {
        o.backup = box.read_file("out.bin");
    }
    const std::string trace = fault.empty() ? box.read_text("trace.log") : "";
    o.requests = static_cast<std::size_t>(std::count(trace.begin(), trace.end(), '\n'));
    return o;
}

class FaultByCommand : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(FaultByCommand, StatusZeroMeansTheFlashHoldsWhatWasAskedAndNoLineClaimsWhatDidNotHappen) {
    const outcome healthy = run_with(GetParam(), "", 0);
    const outcome untouched = run_with(GetParam(), "", 0, true);
    ASSERT_EQ(healthy.r.status, 0) << healthy.r.err;
    int status_zero_not_as_asked = 0;
    for (const std::string& fault : kFaults) {
        const outcome o = run_with(GetParam(), fault, healthy.requests);
        const bool as_asked = o.flash == healthy.flash;
        // Adapter IDs that could not be read are stored as 0, and the run says so.
        std::vector<std::uint8_t> backup_as_asked = o.r.status == 0 ? healthy.backup : std::vector<std::uint8_t>{};
        if (backup_as_asked.size() > 16 && has(o.r.out, "IDs could not be read")) {
            std::fill(backup_as_asked.begin() + 12, backup_as_asked.begin() + 16, 0);
        }
        const std::size_t shown_at = o.r.out.find("Adapter Index: ");
        const std::string shown = shown_at == std::string::npos ? "" : o.r.out.substr(shown_at);
        status_zero_not_as_asked += o.r.status == 0 && !as_asked;
        const std::pair<bool, const char*> rules[] = {
            {o.r.status == 0 && !as_asked, "status 0, but the flash does not hold what was asked"},
            {o.r.status != 0 && o.r.err.empty() && !has(o.r.out, "failed!"), "fails without a word"},
            {o.backup != backup_as_asked, "a backup file that does not hold what the adapter holds"},
            {(has(o.r.out, "done.") || has(o.r.out, "succeeded")) && !as_asked, "claims what was not done"},
            {has(o.r.err, "differ") && as_asked, "says the flash differs, but it holds what was asked"},
            {has(o.r.out, "Flash equals") != (o.r.status == 0 && GetParam()[0] == "--verify"),
             "a compare that says the flash equals and fails, or succeeds without saying so"},
            {has(o.r.out, "Flash differs"), "says the flash differs from a backup of itself"},
            {has(o.r.err, "ettings restored") && o.flash != untouched.flash, "claims a restore that is not"},
            {has(o.r.err, "could not be restored") && o.flash == untouched.flash, "denies a restore that is"},
            {!healthy.r.out.starts_with(shown), "the display shows what the adapter does not hold"},
            {!shown.empty() && shown != healthy.r.out && !has(o.r.err, "ERROR: Could not read"),
             "the display stops without saying it could not read the adapter"},
        };
        for (const auto& [broken, what] : rules) {
            EXPECT_FALSE(broken) << GetParam()[0] << " with " << fault << ": " << what << "\n--- out:\n"
                                 << o.r.out << "\n--- err:\n"
                                 << o.r.err << "--- status " << o.r.status;
        }
    }
    std::printf("%d of %zu runs end with status 0 while the flash does not hold what was asked\n",
                status_zero_not_as_asked, kFaults.size());
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, FaultByCommand,
                         ::testing::Values(std::vector<std::string>{"--display", "0"},
                                           std::vector<std::string>{"--configure", "0", "vlanid=7"},
                                           std::vector<std::string>{"--update", "0", "IMAGE"},
                                           std::vector<std::string>{"--erase", "0", "rom", "--force"},
                                           std::vector<std::string>{"--erase", "0", "settings", "--force"},
                                           std::vector<std::string>{"--list"},
                                           std::vector<std::string>{"--export", "0"},
                                           std::vector<std::string>{"--backup", "0", "OUT"},
                                           std::vector<std::string>{"--restore", "0", "BACKUP", "all", "--force"},
                                           std::vector<std::string>{"--verify", "0", "SAME"}),
                         [](const auto& info) {
                             const std::vector<std::string>& words = info.param;
                             return words[0].substr(2) + (words[0] == "--erase" ? "_" + words[2] : "");
                         });

}  // namespace
