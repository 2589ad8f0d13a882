// write_rom_image in this process, on an emulated adapter behind a driver
// that interferes with one chosen transfer: the faults that a page program
// reports (the line stays unfinished) and the ones it cannot see, which only
// reading the image back uncovers.
#include "optionrom/rom_update.h"
#include "optionrom/update_output.h"
#include "support/adapter_contents.h"
#include "support/emulator_interposer.h"
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"

#include "device/adapter_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using flash_wire::kControlRegister;
using flash_wire::kDataRegister;
constexpr std::uint32_t kBusy = flash_wire::kControlBusy;

// What the driver does when the data register is written with `match` for
// the `occurrence`-th time (1 = first).
enum class interference { none, replace_value, controller_hangs };

struct interference_plan {
    interference kind = interference::none;
    std::uint32_t match = 0;
    int occurrence = 1;
    std::uint32_t replacement = 0;
    // Kept while running.
    int seen = 0;
    bool hung = false;
};

interference_plan g_plan;

// Sees each request on its way to the emulator.
interposer_action interfere(interposed_request& request) {
    if (request.kind == interposed_kind::register_write && request.offset == kDataRegister &&
        request.value == g_plan.match && g_plan.kind != interference::none && ++g_plan.seen == g_plan.occurrence) {
        if (g_plan.kind == interference::replace_value) {
            request.value = g_plan.replacement;
        } else {
            g_plan.hung = true;
        }
    }
    if (g_plan.hung && request.kind == interposed_kind::register_read && request.offset == kControlRegister) {
        request.value = kBusy;
        return interposer_action::answer;
    }
    return interposer_action::forward;
}

class UpdateWithFaultyDriver : public ::testing::Test {
protected:
    void SetUp() override {
        box.add_blank_adapter("adapter00");
        box.write_file("adapter00/flash.bin", make_used_flash());
        setenv("HBAEMU_DIR", box.root().c_str(), 1);
        unsetenv("HBAEMU_TRACE");
        g_plan = interference_plan{};
        driver.before = interfere;
        ASSERT_EQ(enumerate_adapters(), 1);
    }

    void TearDown() override { close_adapter_handles(); }

    // Runs write_rom_image and keeps what it printed.
    int write(const std::vector<std::uint8_t>& image) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int result = write_rom_image(0, image.data(), static_cast<std::uint32_t>(image.size()));
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
        return result;
    }

    std::vector<std::uint8_t> flash() const { return box.read_file("adapter00/flash.bin"); }

    emulator_sandbox box;
    emulator_interposer driver{true};  // its polls wait as long as with the real driver
    std::string out;
    std::string err;
};

TEST_F(UpdateWithFaultyDriver, UntouchedDriverWritesAndVerifies) {
    const std::vector<std::uint8_t> image = make_rom_image(301);
    EXPECT_EQ(write(image), 0);
    EXPECT_EQ(out, update_header(301) + "\b\b\b\b\b\b85.05%\b\b\b\b\b\b100.00%" + kUpdateSucceeded);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bytes_of(flash(), 0, 301), image);
}

// The controller hangs at the second page program's write enable: the page
// program reports it, nothing more is written, and the progress line stays
// after the first percentage.
TEST_F(UpdateWithFaultyDriver, SecondPieceThatFailsLeavesTheLineUnfinished) {
    g_plan.kind = interference::controller_hangs;
    g_plan.match = 0x06;  // write enable: erase, first piece, second piece
    g_plan.occurrence = 3;
    const std::vector<std::uint8_t> image = make_rom_image(300);
    EXPECT_EQ(write(image), 6);
    EXPECT_EQ(out, update_header(300) + "\b\b\b\b\b\b85.33%");
    EXPECT_EQ(err,
              "ERROR: timed out waiting for serial flash to complete command!\n"
              "ERROR: write to serial flash failed!\n"
              "ERROR: Boot image download failed, error 6\n");
    const std::vector<std::uint8_t> now = flash();
    EXPECT_EQ(bytes_of(now, 0, 256), bytes_of(image, 0, 256));
    EXPECT_EQ(bytes_of(now, 256, 300), std::vector<std::uint8_t>(44, 0xFF));
}

// The second piece's write enable arrives as write disable, so the flash
// ignores the page program while every transfer completes: a success by
// every measure but the bytes in flash.
TEST_F(UpdateWithFaultyDriver, PieceThatSilentlyDidNotTakeIsCaughtByReadBack) {
    g_plan.kind = interference::replace_value;
    g_plan.match = 0x06;
    g_plan.occurrence = 3;
    g_plan.replacement = 0x04;
    EXPECT_EQ(write(make_rom_image(300)), 6);
    EXPECT_EQ(out, update_header(300) + "\b\b\b\b\b\b85.33%\b\b\b\b\b\b100.00%\b\b\n");
    EXPECT_EQ(err, "ERROR: Option ROM verification failed, flash differs from the image at offset 0x100!\n");
}

// The last byte of a 301-byte image travels alone in the last transfer; it
// is altered on the way. The read-back covers the tail of an image whose
// size is not a multiple of 4 and ignores the erased bytes after it.
TEST_F(UpdateWithFaultyDriver, LastByteOfAnUnalignedImageIsVerifiedToo) {
    const std::vector<std::uint8_t> image = make_rom_image(301);
    g_plan.kind = interference::replace_value;
    g_plan.match = image[300];  // a lone byte: no other data word looks like it
    g_plan.replacement = 0x00;
    EXPECT_EQ(write(image), 6);
    EXPECT_EQ(err, "ERROR: Option ROM verification failed, flash differs from the image at offset 0x12c!\n");
    EXPECT_EQ(flash()[300], 0x00);
}

// The controller hangs at the read-back's fast-read command: the image was
// written but cannot be confirmed, which is no success either.
TEST_F(UpdateWithFaultyDriver, ImageThatCannotBeReadBackIsNoSuccess) {
    g_plan.kind = interference::controller_hangs;
    g_plan.match = 0x0000000B;  // fast read of address 0
    EXPECT_EQ(write(make_rom_image(300)), 6);
    EXPECT_EQ(out, update_header(300) + "\b\b\b\b\b\b85.33%\b\b\b\b\b\b100.00%\b\b\n");
    const std::string verdict = "ERROR: Option ROM verification failed, could not read the image back!\n";
    ASSERT_GE(err.size(), verdict.size());
    EXPECT_EQ(err.substr(err.size() - verdict.size()), verdict);
}

}  // namespace
