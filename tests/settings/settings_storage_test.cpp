// Reading, saving and erasing the record on an emulated adapter, in process:
// the header fix-ups of a save, a save whose erase fails, a save whose page
// program fails (the previous record is put back) and a page program that
// silently does not take (caught by reading the record back).
#include "settings/settings_storage.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::string kSavingPrompt = "Saving settings to Adapter... please wait  ";

// Flash with an Option ROM, a record in the settings sector and something
// in the sectors after it.
std::vector<std::uint8_t> flash_holding(const boot_settings_record& record) {
    std::vector<std::uint8_t> flash = erased_flash();
    put_option_rom(&flash, 0x1A);
    put_record(&flash, record);
    for (std::size_t i = 0x40000; i < kFlashBytes; i += 0x1000) {
        flash[i] = 0x42;
    }
    return flash;
}

class SettingsStorage : public adapter_bench_test {
protected:
    // Reads the record from adapter 0, expecting success and silence.
    settings_buffer read_record() {
        settings_buffer buffer;
        std::memset(&buffer, 0xCC, sizeof buffer);
        int rc = -99;
        const captured_output printed = capture_output([&] { rc = read_settings(0, &buffer, false); });
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(printed.out, "");
        EXPECT_EQ(printed.err, "");
        previous = buffer.record;
        return buffer;
    }

    // Saves as the configure command does, handing over the record last read
    // to put back on failure.
    int save(settings_buffer* buffer, captured_output* printed) { return save_with(buffer, &previous, printed); }

    int save_with(settings_buffer* buffer, const boot_settings_record* to_put_back, captured_output* printed) {
        int rc = -99;
        *printed = capture_output([&] { rc = save_settings(0, buffer, to_put_back); });
        return rc;
    }

    boot_settings_record previous{};
};

TEST_F(SettingsStorage, ReadTakesTheRecordAsStoredAndClearsTheTrailer) {
    hw().flash = flash_holding(configured_record());
    bench.power_on();
    const settings_buffer buffer = read_record();
    EXPECT_EQ(record_bytes(buffer.record), record_bytes(configured_record()));
    const std::uint8_t zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(buffer.trailer, zero, sizeof zero), 0);
}

TEST_F(SettingsStorage, ReadFailureReportsAndReturnsMinusOne) {
    hw().flash = flash_holding(configured_record());
    hw().faults = "controller-stuck\n";
    bench.power_on();
    settings_buffer buffer;
    int rc = -99;
    const captured_output printed = capture_output([&] { rc = read_settings(0, &buffer, true); });
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(printed.out, "");
    EXPECT_TRUE(printed.err.ends_with("\nERROR: Could not read settings data!\n")) << printed.err;
}

TEST_F(SettingsStorage, SaveOfErasedRecordWritesMagicAndLengthAndKeepsFlag) {
    hw().flash = flash_holding(erased_record());
    bench.power_on();
    settings_buffer buffer = read_record();
    buffer.record.vlanid = 7;

    captured_output printed;
    EXPECT_EQ(save(&buffer, &printed), 0);
    EXPECT_EQ(printed.out, kSavingPrompt);
    EXPECT_EQ(printed.err, "");

    const std::vector<std::uint8_t> after = bench.flash();
    const std::vector<std::uint8_t> header = {0x4B, 0x49, 0x42, 0x00, 0xFF, 0xBC, 0x01};
    EXPECT_EQ(bytes_of(after, kRecordOffset, kRecordOffset + 7), header);
    EXPECT_EQ(std::uint16_t{record_from_flash(after).vlanid}, 7);
    // Everything the fix-ups do not touch is written back as read.
    boot_settings_record expected = erased_record();
    std::memcpy(expected.magic, kSettingsMagic, 4);
    expected.length = 444;
    expected.vlanid = 7;
    EXPECT_EQ(bytes_of(after, kRecordOffset, kRecordOffset + 444), record_bytes(expected));
    // 448 bytes are written: the trailer read as zeros, then erased flash.
    EXPECT_EQ(bytes_of(after, kRecordOffset + 444, kRecordOffset + 448), std::vector<std::uint8_t>(4, 0));
    EXPECT_EQ(bytes_of(after, kRecordOffset + 448, kRecordOffset + kSectorBytes),
              std::vector<std::uint8_t>(0x10000 - 448, 0xFF));
    // The fixed-up header stays in the caller's buffer too.
    EXPECT_EQ(record_bytes(buffer.record), record_bytes(expected));

    EXPECT_EQ(bench.erases(), 1);
    EXPECT_EQ(bench.programs(), 2);
}

TEST_F(SettingsStorage, SaveSetsFlagZeroToOneKeepsOtherFlagsAndFixesLength) {
    const struct {
        std::uint8_t flag_before;
        std::uint8_t flag_after;
        std::uint16_t length_before;
        std::uint8_t magic_before[4];
    } cases[] = {
        {0, 1, 444, {'K', 'I', 'B', 0}},
        {5, 5, 0x1234, {'K', 'I', 'B', 1}},
        {1, 1, 0, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        boot_settings_record before = configured_record();
        before.flag = c.flag_before;
        before.length = c.length_before;
        std::memcpy(before.magic, c.magic_before, 4);
        hw().flash = flash_holding(before);
        bench.power_on();
        settings_buffer buffer = read_record();

        captured_output printed;
        EXPECT_EQ(save(&buffer, &printed), 0);
        const boot_settings_record after = record_from_flash(bench.flash());
        EXPECT_EQ(std::memcmp(after.magic, kSettingsMagic, 4), 0);
        EXPECT_EQ(after.flag, c.flag_after);
        EXPECT_EQ(std::uint16_t{after.length}, 444);
        // Reserved bytes and the version are written back as read.
        EXPECT_EQ(after.reserved_07, 0x5A);
        EXPECT_EQ(std::uint16_t{after.version}, 0x0200);
        EXPECT_EQ(after.reserved_1b6[1], 0xB7);
    }
}

TEST_F(SettingsStorage, SaveLeavesOtherSectorsAlone) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    hw().flash = before;
    bench.power_on();
    settings_buffer buffer = read_record();
    captured_output printed;
    ASSERT_EQ(save(&buffer, &printed), 0);
    const std::vector<std::uint8_t> after = bench.flash();
    EXPECT_EQ(bytes_of(after, 0, kRecordOffset), bytes_of(before, 0, kRecordOffset));
    EXPECT_EQ(bytes_of(after, 0x40000, kFlashBytes), bytes_of(before, 0x40000, kFlashBytes));
}

// A failed erase may have wiped the sector: the save says so with its error
// line, but not its prompt, reads the sector back to tell whether the record
// may be lost, programs nothing, tries no restore on a flash that is still
// busy, and leaves the caller's record as it was.
TEST_F(SettingsStorage, SaveWhoseEraseFailsSaysSoAndProgramsNothing) {
    for (const char* fault : {"erase-busy-polls 5\n", "flash-stuck\n"}) {
        boot_settings_record stored = configured_record();
        stored.flag = 0;
        stored.length = 1;
        const std::vector<std::uint8_t> before = flash_holding(stored);
        hw().flash = before;
        hw().faults = fault;
        bench.power_on();
        settings_buffer buffer = read_record();
        const settings_buffer untouched = buffer;

        captured_output printed;
        EXPECT_EQ(save(&buffer, &printed), -3) << fault;
        EXPECT_EQ(printed.out, "") << fault;
        // A flash still busy prints no line of the flash layer; its sector
        // reads back erased, so the record may be lost.
        EXPECT_EQ(printed.err,
                  "ERROR: Saving settings failed, error -3\n"
                  "ERROR: The previous settings may be lost; put them back from a backup with \"hbabootcfg --restore 0 "
                  "BACKUP-FILE settings --force\".\n")
            << fault;
        EXPECT_EQ(std::memcmp(&buffer, &untouched, sizeof buffer), 0) << fault;
        EXPECT_EQ(bench.programs(), 0) << fault;
    }
}

TEST_F(SettingsStorage, SaveWhoseSecondPieceFailsPutsThePreviousRecordBack) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    hw().flash = before;
    hw().transfer_faults = {busy_after_page_program(kRecordOffset + 256)};
    bench.power_on();
    settings_buffer buffer = read_record();
    buffer.record.vlanid = 7;
    put_text(buffer.record.targetpass, "anothersecret");  // in the second piece

    captured_output printed;
    EXPECT_EQ(save(&buffer, &printed), -3);
    EXPECT_EQ(printed.out, kSavingPrompt);
    EXPECT_EQ(printed.err,
              "ERROR: Saving settings failed, error -3\n"
              "ERROR: Previous settings restored, new settings not saved.\n");
    const std::vector<std::uint8_t> after = bench.flash();
    EXPECT_EQ(bytes_of(after, kRecordOffset, kRecordOffset + 444), record_bytes(configured_record()));
    EXPECT_EQ(after, before);
    // The save's erase and two pages, then the restore's erase and two pages.
    EXPECT_EQ(bench.erases(), 2);
    EXPECT_EQ(bench.programs(), 4);
}

TEST_F(SettingsStorage, SaveWhoseFirstPieceFailsWritesNoSecondAndRestores) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    hw().flash = before;
    hw().transfer_faults = {busy_after_page_program(kRecordOffset)};
    bench.power_on();
    settings_buffer buffer = read_record();
    buffer.record.targetlun = 9;

    captured_output printed;
    EXPECT_EQ(save(&buffer, &printed), -3);
    EXPECT_EQ(printed.err,
              "ERROR: Saving settings failed, error -3\n"
              "ERROR: Previous settings restored, new settings not saved.\n");
    EXPECT_EQ(bench.flash(), before);
    EXPECT_EQ(bench.programs(), 1 + 2);
}

// The restore is judged by reading the record back: here its erase never
// reaches the flash, so the old record cannot be programmed over the new
// bytes and the operator is told the settings are gone.
TEST_F(SettingsStorage, RestoreThatDoesNotTakeIsReportedAsNotRestored) {
    hw().flash = flash_holding(configured_record());
    // Write enables: the save's erase, its two pages, then the restore's erase.
    hw().transfer_faults = {busy_after_page_program(kRecordOffset + 256), dropped_write_enable(4)};
    bench.power_on();
    settings_buffer buffer = read_record();
    buffer.record.vlanid = 7;
    put_text(buffer.record.targetpass, "anothersecret");

    captured_output printed;
    EXPECT_EQ(save(&buffer, &printed), -3);
    EXPECT_EQ(printed.err,
              "ERROR: Saving settings failed, error -3\n"
              "ERROR: Previous settings could not be restored!\n"
              "ERROR: The previous settings may be lost; put them back from a backup with \"hbabootcfg --restore 0 "
              "BACKUP-FILE settings --force\".\n");
}

// Only the record the caller hands over is put back: a save given none (its
// caller could not read one) writes nothing after the failed page.
TEST_F(SettingsStorage, SaveGivenNoPreviousRecordPutsNothingBack) {
    hw().flash = flash_holding(configured_record());
    hw().transfer_faults = {busy_after_page_program(kRecordOffset + 256)};
    bench.power_on();
    settings_buffer buffer = read_record();

    captured_output printed;
    EXPECT_EQ(save_with(&buffer, nullptr, &printed), -3);
    EXPECT_EQ(printed.err,
              "ERROR: Saving settings failed, error -3\n"
              "ERROR: Previous settings could not be restored!\n"
              "ERROR: The previous settings may be lost; put them back from a backup with \"hbabootcfg --restore 0 "
              "BACKUP-FILE settings --force\".\n");
    EXPECT_EQ(bench.erases(), 1);
}

// A page program that does not take reports nothing by itself: without the
// write enable the flash ignores it and the status poll finds it idle.
TEST_F(SettingsStorage, PageProgramThatDidNotTakeIsCaughtByTheReadBack) {
    hw().flash = flash_holding(erased_record());
    // Write enables: the save's erase, then its first and second page.
    hw().transfer_faults = {dropped_write_enable(3)};
    bench.power_on();
    settings_buffer buffer = read_record();
    put_text(buffer.record.targetuser, "targetuser");

    captured_output printed;
    const int rc = save(&buffer, &printed);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(printed.out, kSavingPrompt);
    EXPECT_EQ(printed.err,
              "ERROR: Settings read back from the Adapter differ from those saved, previous settings restored!\n");
    // The sector holds the record as it was read before the save.
    EXPECT_EQ(bytes_of(bench.flash(), kRecordOffset, kRecordOffset + 444), record_bytes(erased_record()));
}

TEST_F(SettingsStorage, ReadBackDifferenceRestoresTheConfiguredRecord) {
    const std::vector<std::uint8_t> before = flash_holding(configured_record());
    hw().flash = before;
    // Write enables: the save's erase, then its first and second page.
    hw().transfer_faults = {dropped_write_enable(3)};
    bench.power_on();
    settings_buffer buffer = read_record();
    put_text(buffer.record.targetuser, "targetuser");

    captured_output printed;
    EXPECT_EQ(save(&buffer, &printed), -4);
    EXPECT_EQ(printed.err,
              "ERROR: Settings read back from the Adapter differ from those saved, previous settings restored!\n");
    EXPECT_EQ(bench.flash(), before);
}

TEST_F(SettingsStorage, EraseSettingsFailurePrintsNothingOfItsOwn) {
    hw().flash = flash_holding(configured_record());
    hw().faults = "flash-stuck\n";
    bench.power_on();
    int rc = -99;
    const captured_output printed = capture_output([&] { rc = erase_settings(0); });
    EXPECT_EQ(rc, -3);
    EXPECT_EQ(printed.out, "");
    EXPECT_EQ(printed.err, "");
}

}  // namespace
