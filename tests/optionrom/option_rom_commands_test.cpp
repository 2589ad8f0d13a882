// The display command and the erase of the Option ROM and of the settings
// sector, through the built binary on emulated adapters, with the flash
// checked afterwards.
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

// Each erase wipes its region (the Option ROM's three sectors, or the
// settings sector silently), keeps the rest and is shown so by the display;
// each short and long force word is taken. A flash that stays busy is a
// failure said by the command; the Option ROM's never touches the settings
// sector.
TEST_F(OptionRomCommands, EraseWipesItsRegionAndSaysWhenItFailed) {
    struct erase_case {
        const char* target;
        std::size_t from, to;
        const char* done;
        std::string shown;
        const char* fault;
        const char* failed_out;
        const char* failed_err;
    };
    const erase_case cases[] = {
        {"rom", 0, 0x30000, "Erasing Option ROM from Adapter, please wait.. done.\n", kNotPresent,
         "erase-busy-polls 5\n", "Erasing Option ROM from Adapter, please wait.. failed!\n", ""},
        {"settings", 0x30000, 0x40000, "", kPresentHeader + erased_record_display(), "flash-stuck\n", "",
         "ERROR: erasing settings failed!\n"},
    };
    const bytes before = flash_holding(configured_record());
    for (const erase_case& c : cases) {
        for (const char* force : {"--force", "-f"}) {
            SCOPED_TRACE(std::string(c.target) + " " + force);
            write_flash(before);
            const run_result r = box.run({"--erase", "0", c.target, force});
            EXPECT_EQ(r.out, c.done);
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(r.status, 0);
            const bytes after = flash();
            EXPECT_EQ(bytes_of(after, c.from, c.to), bytes(c.to - c.from, 0xFF));
            EXPECT_EQ(bytes_of(after, 0, c.from), bytes_of(before, 0, c.from));
            EXPECT_EQ(bytes_of(after, c.to, kFlashBytes), bytes_of(before, c.to, kFlashBytes));
            EXPECT_EQ(box.run({"--display", "0"}).out, c.shown);
        }
        write_flash(before);
        box.write_text("adapter00/faults", c.fault);
        const run_result r = box.run({"-e", "0", c.target, "--force"});
        EXPECT_EQ(r.out, c.failed_out);
        EXPECT_EQ(r.err, c.failed_err);  // a flash still busy prints no line of the flash layer
        EXPECT_EQ(r.status, 255);
        if (c.from == 0) {
            EXPECT_EQ(bytes_of(flash(), 0x30000, 0x30000 + 444), bytes_of(before, 0x30000, 0x30000 + 444));
        }
        box.write_text("adapter00/faults", "");
    }
}

}  // namespace
