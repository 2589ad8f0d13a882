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
        // Other sectors are left alone.
        const bytes flash = bench.flash();
        EXPECT_EQ(bytes_of(flash, 0, kRecordOffset), bytes_of(flash_holding(before), 0, kRecordOffset));
        EXPECT_EQ(bytes_of(flash, 0x40000, kFlashBytes), bytes_of(flash_holding(before), 0x40000, kFlashBytes));
    }
}

const std::string kFailed = "ERROR: Saving settings failed, error -3\n";
const std::string kRestored = "ERROR: Previous settings restored, new settings not saved.\n";
const std::string kNotRestored = "ERROR: Previous settings could not be restored!\n";
const std::string kMayBeLost =
    "ERROR: The previous settings may be lost; put them back from a backup with \"hbabootcfg --restore 0 "
    "BACKUP-FILE settings --force\".\n";
const std::string kRefused =
    "ERROR: register write failed with error code: 31!\nERROR: write to serial flash failed!\nERROR: Saving settings "
    "failed, error 6\n";
const std::string kStillInPlace = "ERROR: Settings not saved, the previous settings are still in place.\n";
const std::string kReadBackDiffers =
    "ERROR: Settings read back from the Adapter differ from those saved, previous settings restored!\n";

// Saves that fail, of a record whose header the save would fix up, changed
// in its second page. A failed erase may have wiped the sector: the save
// says so without its prompt, reads the sector back to tell whether the
// record may be lost, programs nothing and leaves the caller's record as it
// was. A failed page program puts the record it was handed back (judged by
// reading it back); a page program that silently does not take is caught by
// reading the record back. Each save also tells its caller where the
// previous record is, as its last line tells the operator. Write enables
// count from the save's erase, then one per page.
TEST_F(SettingsStorage, FailedSavesSayWhatTheyLeave) {
    struct failed_save {
        const char* name;
        bool erased;  // the stored record is an erased sector
        std::string faults;
        std::vector<transfer_fault> transfer_faults;
        bool previous_given;
        int code;
        std::string err;
        bool back;     // the sector holds the stored record again
        int erases;    // -1: not counted
        int programs;  // -1: not counted
        previous_settings_state left;
    };
    const std::uint32_t second_page = kRecordOffset + 256;
    using enum previous_settings_state;
    const std::vector<failed_save> cases = {
        // clang-format off
        {"erase refused", false, "", {refused_sector_erase(kRecordOffset)}, true, 6, kRefused + kStillInPlace, true, 0, 0, in_place},
        {"erase never ends", false, "erase-busy-polls 5\n", {}, true, -3, kFailed + kMayBeLost, false, 1, 0, may_be_lost},
        {"flash stuck", false, "flash-stuck\n", {}, true, -3, kFailed + kMayBeLost, false, -1, 0, may_be_lost},
        {"second page", false, "", {busy_after_page_program(second_page)}, true, -3, kFailed + kRestored, true, 2, 4, restored},
        {"first page, no second", false, "", {busy_after_page_program(kRecordOffset)}, true, -3, kFailed + kRestored, true, 2, 3, restored},
        {"restore's erase does not take", false, "", {busy_after_page_program(second_page), dropped_write_enable(4)}, true, -3,
         kFailed + kNotRestored + kMayBeLost, false, -1, -1, may_be_lost},
        {"no previous record handed over", false, "", {busy_after_page_program(second_page)}, false, -3,
         kFailed + kNotRestored + kMayBeLost, false, 1, 2, may_be_lost},
        {"second page does not take", false, "", {dropped_write_enable(3)}, true, -4, kReadBackDiffers, true, -1, -1, restored},
        {"second page of an erased sector does not take", true, "", {dropped_write_enable(3)}, true, -4, kReadBackDiffers, true, -1, -1, restored},
        // clang-format on
    };
    for (const failed_save& c : cases) {
        SCOPED_TRACE(c.name);
        boot_settings_record stored = c.erased ? erased_record() : configured_record();
        if (!c.erased) {
            stored.flag = 0;
            stored.length = 1;
        }
        const bytes before = flash_holding(stored);
        hw().flash = before;
        hw().faults = c.faults;
        hw().transfer_faults = c.transfer_faults;
        bench.power_on();
        settings_buffer buffer = read_record();
        buffer.record.vlanid = 7;
        put_text(buffer.record.targetpass, "anothersecret");
        const settings_buffer changed = buffer;

        captured_output printed;
        auto left = static_cast<previous_settings_state>(0xFF);
        int rc = 0;
        printed =
            capture_output([&] { rc = save_settings(0, &buffer, c.previous_given ? &previous : nullptr, &left); });
        EXPECT_EQ(rc, c.code);
        EXPECT_EQ(left, c.left);
        const bool erase_failed = c.programs == 0;
        EXPECT_EQ(printed.out, erase_failed ? "" : kSavingPrompt);
        EXPECT_EQ(printed.err, c.err);
        if (erase_failed) {
            EXPECT_EQ(std::memcmp(&buffer, &changed, sizeof buffer), 0);
        }
        const bytes after = bench.flash();
        EXPECT_EQ(bytes_of(after, kRecordOffset, kRecordOffset + 444) == record_bytes(stored), c.back);
        if (c.back && !c.erased) {
            EXPECT_EQ(after, before);
        }
        if (c.erases >= 0) {
            EXPECT_EQ(bench.erases(), c.erases);
        }
        if (c.programs >= 0) {
            EXPECT_EQ(bench.programs(), c.programs);
        }
    }
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
