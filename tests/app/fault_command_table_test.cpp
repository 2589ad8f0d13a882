// Every fault the emulator can inject against every command, through the
// built binary on a realistic adapter. Whatever the fault, a run that ends
// with status 0 has left the flash as a healthy run leaves it, no failure
// goes unsaid, and no line claims what did not happen: "done." and
// "succeeded" only when the flash holds what was asked, "differ" only when
// it does not, "restored" only when the previous record is back and "could
// not be restored" only when it is not, and the display shows nothing but a
// beginning of the healthy display (so neither "not present" nor a page of
// zeros). Faults that leave the adapter working change nothing at all.
#include "device/adapter_access.h"
#include "emulator/contents/adapter_profile.h"
#include "emulator/contents/option_rom_image.h"
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct fault_row {
    const char* faults;                // the adapter's faults file
    const char* root_faults = "";      // the root's faults file
    int fail_after_eighths = -1;       // fail-after at this many eighths of the healthy run's requests;
                                       // 8: all but the last
    bool held_open = false;            // another process holds the adapter
    bool harmless = false;             // the adapter still works: the run must be the healthy one
};

const fault_row kFaults[] = {
    {"", "class-error 31\n"},
    {"detail-size-error 31\n"},
    {"detail-error 31\n"},
    {"open-error 5\n"},
    {"", "", -1, true},
    {"register-error 31\n"},
    {"config-read-error 31\n"},
    {"config-write-error 31\n"},
    {"controller-busy-reads 5\n"},
    {"controller-stuck\n"},
    {"program-busy-polls 4\n", "", -1, false, true},
    {"program-busy-polls 5\n"},
    {"erase-busy-polls 5\n"},
    {"program-time-us 20000\n"},
    {"erase-time-ms 3000\n"},
    {"flash-stuck\n"},
    {"vpd-busy-reads 4000000000\n"},
    {"vpd-stuck\n"},
    {"", "", 0}, {"", "", 1}, {"", "", 2}, {"", "", 3}, {"", "", 4},
    {"", "", 5}, {"", "", 6}, {"", "", 7}, {"", "", 8},
};

enum class command_kind { display, configure, update, erase, list };

struct command_column {
    const char* name;
    command_kind kind;
    std::vector<std::string> arguments;  // "IMAGE": the image file's path
};

const command_column kCommands[] = {
    {"display", command_kind::display, {"--display", "0"}},
    {"configure", command_kind::configure, {"--configure", "0", "vlanid=7"}},
    {"update", command_kind::update, {"--update", "0", "IMAGE"}},
    {"erase_rom", command_kind::erase, {"--erase", "0", "rom", "--force"}},
    {"erase_settings", command_kind::erase, {"--erase", "0", "settings", "--force"}},
    {"list", command_kind::list, {"--list"}},
};

// Test names carry the command's name rather than its bytes.
void PrintTo(const command_column& command, std::ostream* os) {
    *os << command.name;
}

// Two sectors and a short last piece.
constexpr std::uint32_t kImageSize = 0x10100;

struct cell_run {
    run_result result;
    std::vector<std::uint8_t> flash;
    std::size_t requests = 0;  // when traced
};

std::string adapter_folder() {
    return realistic_adapter_profile(0).folder_name;
}

cell_run run_cell(const command_column& command, const std::string& faults, const fault_row& row, bool trace) {
    emulator_sandbox box;
    add_realistic_adapters(box, 1);
    const std::vector<std::uint8_t> image = build_option_rom_image({.size = kImageSize, .version = {9, 8, 7}});
    box.write_file("update.rom", image);
    box.write_text(adapter_folder() + "/faults", faults);
    box.write_text("faults", row.root_faults);
    std::vector<std::string> arguments = command.arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("IMAGE"), box.folder("update.rom"));
    if (row.held_open) {
        setenv("HBAEMU_DIR", box.root().c_str(), 1);
        setenv("HBAEMU_TRACE", "", 1);
        enumerate_adapters();
    }
    cell_run run;
    run.result = box.run(arguments, trace);
    close_adapter_handles();
    run.flash = box.read_file(adapter_folder() + "/flash.bin");
    if (trace) {
        const std::string log = box.read_text("trace.log");
        run.requests = static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    }
    return run;
}

bool has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// What the run claims against what it did; one line per false claim.
std::vector<std::string> false_claims(const command_column& command, const fault_row& row, const cell_run& healthy,
                                      const std::vector<std::uint8_t>& before, const cell_run& run) {
    std::vector<std::string> wrong;
    const run_result& r = run.result;
    const bool as_asked = run.flash == healthy.flash;
    if (r.status == 0 && !as_asked) {
        wrong.push_back("status 0, but the flash does not hold what was asked");
    }
    if (r.status != 0 && r.err.empty() && !has(r.out, "failed!")) {
        wrong.push_back("fails without a word");
    }
    if ((has(r.out, "done.") || has(r.out, "succeeded")) && !as_asked) {
        wrong.push_back("claims success, but the flash does not hold what was asked");
    }
    if (has(r.err, "differ") && as_asked) {
        wrong.push_back("says the flash differs, but it holds what was asked");
    }
    if ((has(r.err, "settings restored") || has(r.err, "Settings restored")) && run.flash != before) {
        wrong.push_back("says the previous settings are restored, but they are not");
    }
    if (has(r.err, "could not be restored") && run.flash == before) {
        wrong.push_back("says the previous settings could not be restored, but they are there");
    }
    if (command.kind == command_kind::display) {
        const std::size_t start = r.out.find("Adapter Index: ");
        const std::string shown = start == std::string::npos ? "" : r.out.substr(start);
        if (!healthy.result.out.starts_with(shown)) {
            wrong.push_back("the display shows what the adapter does not hold");
        } else if (!shown.empty() && shown != healthy.result.out && !has(r.err, "ERROR: Could not read")) {
            wrong.push_back("the display stops without saying it could not read the adapter");
        }
    }
    if (row.harmless && (r.status != healthy.result.status || r.out != healthy.result.out ||
                         r.err != healthy.result.err || !as_asked)) {
        wrong.push_back("a fault the adapter copes with changed the run");
    }
    return wrong;
}

std::string describe(const fault_row& row, const std::string& faults) {
    if (row.held_open) {
        return "held open by another process";
    }
    std::string text = std::string(row.root_faults) + faults;
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}

class FaultByCommand : public ::testing::TestWithParam<command_column> {};

TEST_P(FaultByCommand, StatusZeroMeansTheFlashHoldsWhatWasAskedAndNoLineClaimsWhatDidNotHappen) {
    const command_column& command = GetParam();
    const cell_run healthy = run_cell(command, "", fault_row{""}, true);
    ASSERT_EQ(healthy.result.status, 0) << healthy.result.err;
    emulator_sandbox pristine;
    add_realistic_adapters(pristine, 1);
    const std::vector<std::uint8_t> before = pristine.read_file(adapter_folder() + "/flash.bin");

    int status_zero_not_as_asked = 0;
    for (const fault_row& row : kFaults) {
        std::string faults = row.faults;
        if (row.fail_after_eighths >= 0) {
            const std::size_t n = row.fail_after_eighths == 8 ? healthy.requests - 1
                                                               : healthy.requests * row.fail_after_eighths / 8;
            faults = "fail-after " + std::to_string(n) + "\n";
        }
        const cell_run run = run_cell(command, faults, row, false);
        const std::vector<std::string> wrong = false_claims(command, row, healthy, before, run);
        if (run.result.status == 0 && run.flash != healthy.flash) {
            ++status_zero_not_as_asked;
        }
        for (const std::string& w : wrong) {
            ADD_FAILURE() << command.name << " with " << describe(row, faults) << ": " << w << "\n--- out:\n"
                          << run.result.out << "\n--- err:\n"
                          << run.result.err << "--- status " << run.result.status;
        }
    }
    std::printf("%s: %d of %zu runs end with status 0 while the flash does not hold what was asked\n",
                command.name, status_zero_not_as_asked, std::size(kFaults));
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, FaultByCommand, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<command_column>& info) { return info.param.name; });

}  // namespace
