// The configure command's save through the built binary on an emulated
// adapter lost half way through.
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
