// The commands that store the record, through the built binary on emulated
// adapters: the erase of the settings sector, and the configure command's
// save with its fix-ups and with the adapter lost half way through.
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"
#include "support/one_adapter_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kSavingPrompt = "Saving settings to Adapter... please wait  ";

using SettingsCommands = one_adapter_test;

TEST_F(SettingsCommands, EraseSettingsWipesTheSettingsSectorSilently) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    write_flash(before);
    for (const char* force : {"--force", "-f"}) {
        const run_result r = box.run({"--erase", "0", "settings", force});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
        const std::vector<std::uint8_t> after = flash();
        EXPECT_EQ(bytes_of(after, 0x30000, 0x40000), std::vector<std::uint8_t>(0x10000, 0xFF));
        EXPECT_EQ(bytes_of(after, 0, kRecordOffset), bytes_of(before, 0, kRecordOffset));
        EXPECT_EQ(bytes_of(after, 0x40000, kFlashBytes), bytes_of(before, 0x40000, kFlashBytes));
    }
    // The Option ROM is still there and shows the erased sector.
    const run_result shown = box.run({"--display", "0"});
    EXPECT_EQ(shown.out, "Adapter Index: \t0\nDescription: \tOption ROM: \tpresent\n" + erased_record_display());
}

TEST_F(SettingsCommands, EraseSettingsFailureIsReportedByTheCommand) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    write_flash(before);
    box.write_text("adapter00/faults", "flash-stuck\n");
    const run_result r = box.run({"--erase", "0", "settings", "--force"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: erasing settings failed!\n");
    EXPECT_EQ(r.status, 255);
}

// The adapter stops answering from the second page program on: the second
// page fails with the refused register write, and the restore cannot reach
// the adapter either.
TEST_F(SettingsCommands, ConfigureWhoseAdapterIsLostInTheSecondPieceFails) {
    boot_settings_record stored = configured_record();
    stored.flag = 0;
    const std::vector<std::uint8_t> before = flash_holding(stored);
    const std::vector<std::string> arguments = {"--configure", "0", "initiatorname=iqn.2001-04.com.example:host2",
                                                "vlanid=7"};

    // A first run on an identical adapter finds which request starts the
    // second page: the page program command for 0x30100.
    {
        emulator_sandbox dry;
        dry.add_blank_adapter("adapter00");
        dry.write_file("adapter00/flash.bin", before);
        ASSERT_EQ(dry.run(arguments, true).status, 0);
        const std::size_t second_page = requests_before_command(
            dry.read_text("trace.log"), flash_wire::command_word(flash_wire::kPageProgram, kRecordOffset + 256));
        box.write_text("adapter00/faults", "fail-after " + std::to_string(second_page) + "\n");
    }
    write_flash(before);
    const run_result r = box.run(arguments);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, kSavingPrompt);
    EXPECT_NE(r.err.find("ERROR: register write failed with error code: 1167!\n"), std::string::npos);
    EXPECT_NE(r.err.find("\nERROR: Saving settings failed, error 6\n"), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with(
        "\nERROR: Previous settings could not be restored!\n"
        "ERROR: The previous settings may be lost; put them back from a backup with \"hbabootcfg --restore 0 "
        "BACKUP-FILE settings --force\".\n"))
        << r.err;

    // The first 256 bytes of the new record are in flash, the rest erased.
    boot_settings_record saved = stored;
    saved.flag = 1;
    put_text(saved.initiatorname, "iqn.2001-04.com.example:host2");
    saved.vlanid = 7;
    const std::vector<std::uint8_t> after = flash();
    EXPECT_EQ(bytes_of(after, 0x30000, 0x30100), bytes_of(record_bytes(saved), 0, 256));
    EXPECT_EQ(bytes_of(after, 0x30100, 0x40000), std::vector<std::uint8_t>(0x10000 - 256, 0xFF));
}

}  // namespace
