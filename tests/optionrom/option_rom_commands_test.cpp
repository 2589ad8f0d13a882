// The display command and the erase of the Option ROM, through the built
// binary on emulated adapters, with the flash checked afterwards.
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/one_adapter_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kPresentHeader = "Adapter Index: \t0\nDescription: \tOption ROM: \tpresent\n";
const std::string kNotPresent = "Adapter Index: \t0\nDescription: \tOption ROM: \tnot present\n";

using OptionRomCommands = one_adapter_test;

// The header lines and the settings, or the erased sector's; without the
// signature the settings sector is not read, whatever it holds.
TEST_F(OptionRomCommands, DisplayShowsHeaderLinesAndTheSettingsOnlyWithTheSignature) {
    const bytes configured = flash_holding(configured_record());
    bytes erased_settings = configured;
    put_record(&erased_settings, erased_record());
    bytes reversed = configured;
    reversed[0] = 0xAA;
    reversed[1] = 0x55;
    bytes rom_erased = configured;
    std::fill(rom_erased.begin(), rom_erased.begin() + 0x30000, 0xFF);
    const std::pair<bytes, std::string> cases[] = {
        {configured, kPresentHeader + configured_record_display()},
        {erased_settings, kPresentHeader + erased_record_display()},
        {reversed, kNotPresent},
        {rom_erased, kNotPresent},
        {erased_flash(), kNotPresent},
    };
    for (const auto& [flash, out] : cases) {
        write_flash(flash);
        const run_result r = box.run({"--display", "0"});
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

TEST_F(OptionRomCommands, DisplayNamesTheAdapterIndex) {
    write_flash(flash_holding(configured_record()));
    box.add_blank_adapter("adapter01");
    const run_result r = box.run({"--display", "1"});
    EXPECT_EQ(r.out, "Adapter Index: \t1\nDescription: \tOption ROM: \tnot present\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(OptionRomCommands, DisplayWhenFlashCannotBeReadStopsAfterDescription) {
    write_flash(flash_holding(configured_record()));
    box.write_text("adapter00/faults", "controller-stuck\n");
    const run_result r = box.run({"--display", "0"});
    EXPECT_EQ(r.out, "Adapter Index: \t0\nDescription: \t");
    EXPECT_TRUE(r.err.ends_with("\nERROR: Could not read data at start of Option ROM!\n")) << r.err;
    // Nothing could be shown: no status a script takes for success.
    EXPECT_EQ(r.status, 255);
}

TEST_F(OptionRomCommands, EraseRomWipesAllThreeSectorsAndKeepsTheSettings) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    write_flash(before);
    const run_result r = box.run({"--erase", "0", "rom", "-f"});
    EXPECT_EQ(r.out, "Erasing Option ROM from Adapter, please wait.. done.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    const std::vector<std::uint8_t> after = flash();
    EXPECT_EQ(bytes_of(after, 0, 0x30000), std::vector<std::uint8_t>(0x30000, 0xFF));
    EXPECT_EQ(bytes_of(after, 0x30000, kFlashBytes), bytes_of(before, 0x30000, kFlashBytes));

    const run_result shown = box.run({"--display", "0"});
    EXPECT_EQ(shown.out, kNotPresent);
}

TEST_F(OptionRomCommands, EraseRomFailureSaysFailed) {
    write_flash(flash_holding(configured_record()));
    box.write_text("adapter00/faults", "erase-busy-polls 5\n");
    const run_result r = box.run({"-e", "0", "rom", "--force"});
    EXPECT_EQ(r.out, "Erasing Option ROM from Adapter, please wait.. failed!\n");
    EXPECT_EQ(r.err, "");  // a flash still busy prints no line of the flash layer
    EXPECT_EQ(r.status, 255);
    // The first sector's erase was started before the poll gave up; the
    // settings sector was never touched.
    EXPECT_EQ(bytes_of(flash(), 0x30000, 0x30000 + 444),
              bytes_of(flash_holding(configured_record()), 0x30000, 0x30000 + 444));
}

}  // namespace
