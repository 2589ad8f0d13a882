// write_rom_image in this process, on an emulated adapter behind a driver
// that interferes with one chosen transfer: the faults that a page program
// reports (the line stays unfinished) and the ones it cannot see, which only
// reading the image back uncovers.
#include "optionrom/rom_update.h"
#include "optionrom/update_output.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using effect = transfer_fault::effect;

class UpdateWithFaultyDriver : public adapter_bench_test {
protected:
    void SetUp() override {
        hw().flash = make_used_flash();
        ASSERT_EQ(bench.power_on(), 1);
    }

    // Runs write_rom_image with these faults and keeps what it printed.
    int write(const bytes& image, const std::vector<transfer_fault>& faults = {}) {
        hw().transfer_faults = faults;
        bench.clear_log();
        int result = -99;
        const captured_output printed = capture_output(
            [&] { result = write_rom_image(0, image.data(), static_cast<std::uint32_t>(image.size())); });
        out = printed.out;
        err = printed.err;
        return result;
    }

    std::string out;
    std::string err;
};

TEST_F(UpdateWithFaultyDriver, UntouchedDriverWritesAndVerifies) {
    const bytes image = make_rom_image(301);
    EXPECT_EQ(write(image), 0);
    EXPECT_EQ(out, update_header(301) + "\b\b\b\b\b\b85.05%\b\b\b\b\b\b100.00%" + kUpdateSucceeded);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bytes_of(bench.flash(), 0, 301), image);
}

// The controller hangs at the second page program's write enable: the page
// program reports it, nothing more is written, and the progress line stays
// after the first percentage.
TEST_F(UpdateWithFaultyDriver, SecondPieceThatFailsLeavesTheLineUnfinished) {
    const bytes image = make_rom_image(300);
    // Write enables: the erase's, the first piece's, the second piece's.
    EXPECT_EQ(write(image, {{flash_wire::kWriteOneEnd, flash_wire::kWriteEnable, 3, effect::controller_hangs}}), 6);
    EXPECT_EQ(out, update_header(300) + "\b\b\b\b\b\b85.33%");
    EXPECT_EQ(err,
              "ERROR: timed out waiting for serial flash to complete command!\n"
              "ERROR: write to serial flash failed!\n"
              "ERROR: Boot image download failed, error 6\n");
    const bytes now = bench.flash();
    EXPECT_EQ(bytes_of(now, 0, 256), bytes_of(image, 0, 256));
    EXPECT_EQ(bytes_of(now, 256, 300), bytes(44, 0xFF));
}

// The second piece's write enable arrives as write disable, so the flash
// ignores the page program while every transfer completes: a success by
// every measure but the bytes in flash.
TEST_F(UpdateWithFaultyDriver, PieceThatSilentlyDidNotTakeIsCaughtByReadBack) {
    EXPECT_EQ(write(make_rom_image(300), {dropped_write_enable(3)}), 6);
    EXPECT_EQ(out, update_header(300) + "\b\b\b\b\b\b85.33%\b\b\b\b\b\b100.00%\b\b\n");
    EXPECT_EQ(err, "ERROR: Option ROM verification failed, flash differs from the image at offset 0x100!\n");
}

// The last byte of a 301-byte image travels alone in the last transfer; it
// is altered on the way. The read-back covers the tail of an image whose
// size is not a multiple of 4 and ignores the erased bytes after it.
TEST_F(UpdateWithFaultyDriver, LastByteOfAnUnalignedImageIsVerifiedToo) {
    const bytes image = make_rom_image(301);
    EXPECT_EQ(write(image, {{flash_wire::kWriteOneEnd, image[300], 1, effect::sends_instead, 0x00}}), 6);
    EXPECT_EQ(err, "ERROR: Option ROM verification failed, flash differs from the image at offset 0x12c!\n");
    EXPECT_EQ(bench.flash()[300], 0x00);
}

// The controller hangs at the read-back's fast-read command: the image was
// written but cannot be confirmed, which is no success either.
TEST_F(UpdateWithFaultyDriver, ImageThatCannotBeReadBackIsNoSuccess) {
    // The fast read of address 0: the comparing read's, then the read-back's.
    const std::uint32_t fast_read_of_0 = flash_wire::command_word(flash_wire::kFastRead, 0);
    EXPECT_EQ(write(make_rom_image(300), {{flash_wire::kWriteFourKeep, fast_read_of_0, 2, effect::controller_hangs}}),
              6);
    EXPECT_EQ(out, update_header(300) + "\b\b\b\b\b\b85.33%\b\b\b\b\b\b100.00%\b\b\n");
    const std::string verdict = "ERROR: Option ROM verification failed, could not read the image back!\n";
    ASSERT_GE(err.size(), verdict.size());
    EXPECT_EQ(err.substr(err.size() - verdict.size()), verdict);
}

}  // namespace
