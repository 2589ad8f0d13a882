// The update command through the built binary on an emulated adapter: which
// images are refused and how, which sectors are erased, how the image is cut
// into page programs, the progress line, and what is left in flash.
#include "optionrom/update_output.h"
#include "support/adapter_contents.h"
#include "support/flash_wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

const std::string kWrongSize = "ERROR: Boot image has wrong size, probably corrupted!\n";
const std::string kNoSignature = "ERROR: Boot image missing signature, probably corrupted!\n";
const std::string kTooLarge = "ERROR: File is too large!\n";
const std::string kCannotOpen = "ERROR: Could not open the file!\n";
const std::string kDownloadFailed = "ERROR: Boot image download failed, error 6\n";

// One adapter with used flash, and an image file beside it.
class UpdateCommand : public ::testing::Test {
protected:
    void SetUp() override {
        box.add_blank_adapter("adapter00");
        box.write_file("adapter00/flash.bin", flash_before);
    }

    run_result update_with(const std::vector<std::uint8_t>& image, bool trace = false) {
        box.write_file("image.rom", image);
        return box.run({"--update", "0", box.folder("image.rom")}, trace);
    }

    std::vector<std::uint8_t> flash() const { return box.read_file("adapter00/flash.bin"); }

    // The refusals end before any request reaches the adapter.
    void expect_refused(const run_result& r, const std::string& message) {
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(box.read_text("trace.log"), "");
        EXPECT_EQ(flash(), flash_before);
    }

    // After a good update: the image from offset 0, erased bytes to the end
    // of its last sector, everything after that as it was.
    void expect_flash_holds(const std::vector<std::uint8_t>& image) {
        const std::vector<std::uint8_t> now = flash();
        ASSERT_EQ(now.size(), kFlashBytes);
        const std::size_t erased_end = (image.size() + kSectorBytes - 1) / kSectorBytes * kSectorBytes;
        EXPECT_EQ(bytes_of(now, 0, image.size()), image);
        EXPECT_EQ(bytes_of(now, image.size(), erased_end), std::vector<std::uint8_t>(erased_end - image.size(), 0xFF));
        EXPECT_EQ(bytes_of(now, erased_end, kFlashBytes), bytes_of(flash_before, erased_end, kFlashBytes));
    }

    emulator_sandbox box;
    const std::vector<std::uint8_t> flash_before = make_used_flash();
};

// The percentages of an image of whole pages are k/pages exactly, so the
// expected line can be printed from exact fractions.
std::string progress_line_of_whole_pages(int pages) {
    std::string line;
    for (int k = 1; k <= pages; ++k) {
        const double percent = 100.0 * k / pages;
        char text[16];
        std::snprintf(text, sizeof text, percent < 10.0 ? " %.2f%%" : "%.2f%%", percent);
        line += "\b\b\b\b\b\b";
        line += text;
    }
    return line;
}

// Images below 28 bytes are refused for their size; a missing file or a
// folder cannot be opened; an image without its whole signature is refused.
TEST_F(UpdateCommand, ShortUnopenableOrUnsignedImagesAreRefused) {
    expect_refused(update_with({}, true), kWrongSize);
    expect_refused(update_with({0x55}, true), kWrongSize);
    expect_refused(update_with(make_rom_image(27), true), kWrongSize);
    expect_refused(box.run({"--update", "0", box.folder("no-such.rom")}, true), kCannotOpen);
    expect_refused(box.run({"--update", "0", box.folder("adapter00")}, true), kCannotOpen);
    std::vector<std::uint8_t> swapped = make_rom_image(4096);
    swapped[0] = 0xAA;
    swapped[1] = 0x55;
    expect_refused(update_with(swapped, true), kNoSignature);
    std::vector<std::uint8_t> half = make_rom_image(28);
    half[1] = 0x00;
    expect_refused(update_with(half, true), kNoSignature);
}

TEST_F(UpdateCommand, FileBeyondTheOptionRomRegionIsRefusedWithoutReadingIt) {
    expect_refused(update_with(make_rom_image(0x30001), true), kTooLarge);

    // A 4 GiB file (sparse, so it costs no disk) is refused at once: its
    // length is learnt without reading or allocating it.
    const std::string huge = box.folder("huge.rom");
    box.write_file("huge.rom", make_rom_image(64));
    std::filesystem::resize_file(huge, 1ull << 32);
    const auto start = std::chrono::steady_clock::now();
    const run_result r = box.run({"--update", "0", huge}, true);
    const auto took = std::chrono::steady_clock::now() - start;
    expect_refused(r, kTooLarge);
    EXPECT_LT(took, std::chrono::seconds(5));
}

// Each size: the sectors erased, the page programs it is cut into (the
// first and the last, and how many), the progress line, and the flash after.
TEST_F(UpdateCommand, ImagesAreCutIntoPagesOfTheirSectors) {
    struct size_case {
        std::size_t size;
        std::vector<int> sectors;
        std::size_t pieces;
        programmed_piece last;
        std::string progress;  // "" : whole pages, k/pages exactly; "*": only its end
    };
    const std::vector<size_case> cases = {
        {28, {0}, 1, {0, 28}, "\b\b\b\b\b\b100.00%"},
        {300, {0}, 2, {0x100, 44}, "\b\b\b\b\b\b85.33%\b\b\b\b\b\b100.00%"},
        {0x10000, {0}, 256, {0xFF00, 256}, ""},
        {0x10001, {0, 1}, 257, {0x10000, 1}, "*"},
        {0x30000, {0, 1, 2}, 768, {0x2FF00, 256}, ""},
    };
    for (const size_case& c : cases) {
        SCOPED_TRACE(c.size);
        box.write_file("adapter00/flash.bin", flash_before);
        box.write_text("trace.log", "");
        const bytes image = make_rom_image(c.size);
        const run_result r = update_with(image, true);
        if (c.progress.empty()) {
            const std::string line = progress_line_of_whole_pages(static_cast<int>(c.pieces));
            EXPECT_EQ(r.out, update_header(c.size) + line + kUpdateSucceeded);
        } else if (c.progress == "*") {
            EXPECT_TRUE(r.out.ends_with("100.00%" + kUpdateSucceeded));
        } else {
            EXPECT_EQ(r.out, update_header(c.size) + c.progress + kUpdateSucceeded);
        }
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
        const std::string trace = box.read_text("trace.log");
        EXPECT_EQ(erased_sectors_in_trace(trace), c.sectors);
        const std::vector<programmed_piece> pieces = programmed_pieces_in_trace(trace);
        ASSERT_EQ(pieces.size(), c.pieces);
        for (std::size_t k = 0; k + 1 < pieces.size(); ++k) {
            EXPECT_EQ(pieces[k], (programmed_piece{static_cast<std::uint32_t>(256 * k), 256}));
        }
        EXPECT_EQ(pieces.back(), c.last);
        expect_flash_holds(image);
    }
    // 0.39% to 9.77% with the leading space, then 10.16% to 100.00% without.
    const std::string line = progress_line_of_whole_pages(256);
    EXPECT_EQ(line.substr(0, 12), "\b\b\b\b\b\b 0.39%");
    EXPECT_NE(line.find("\b\b\b\b\b\b 9.77%\b\b\b\b\b\b10.16%"), std::string::npos);
}

// An image fed through a pipe (process substitution, say) has no length to
// learn in advance: it is read up to the largest image plus one byte.
run_result update_through_pipe(emulator_sandbox& box, const std::vector<std::uint8_t>& image) {
    const std::string pipe = box.folder("image.pipe");
    mkfifo(pipe.c_str(), 0600);
    std::thread writer([&] { box.write_file("image.pipe", image); });
    run_result r = box.run({"--update", "0", pipe});
    writer.join();
    return r;
}

TEST_F(UpdateCommand, ImageFromAPipeIsWrittenOrRefusedForItsSize) {
    const std::vector<std::uint8_t> image = make_rom_image(300);
    run_result r = update_through_pipe(box, image);
    EXPECT_EQ(r.out, update_header(300) + "\b\b\b\b\b\b85.33%\b\b\b\b\b\b100.00%" + kUpdateSucceeded);
    EXPECT_EQ(r.status, 0);
    expect_flash_holds(image);

    std::filesystem::remove(box.folder("image.pipe"));
    const std::vector<std::uint8_t> before = flash();
    r = update_through_pipe(box, make_rom_image(0x30001));
    EXPECT_EQ(r.err, kTooLarge);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(flash(), before);
}

TEST_F(UpdateCommand, EraseThatNeverFinishesFailsWithSix) {
    box.write_text("adapter00/faults", "flash-stuck\n");
    const run_result r = update_with(make_rom_image(300));
    EXPECT_EQ(r.out, "Erasing Option ROM from Adapter.. please wait\n");
    ASSERT_GE(r.err.size(), kDownloadFailed.size());
    EXPECT_EQ(r.err.substr(r.err.size() - kDownloadFailed.size()), kDownloadFailed);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(bytes_of(flash(), kRecordOffset, kFlashBytes), bytes_of(flash_before, kRecordOffset, kFlashBytes));
}

// Once the adapter stops answering, the second piece's refused register
// write fails its page program: the progress line stops at the first piece.
TEST_F(UpdateCommand, AdapterThatStopsAnsweringDuringTheSecondPieceIsNoSuccess) {
    const std::vector<std::uint8_t> image = make_rom_image(300);
    // Count the requests up to the second piece's program command.
    ASSERT_EQ(update_with(image, true).status, 0);
    const std::size_t requests_before =
        requests_before_command(box.read_text("trace.log"), flash_wire::command_word(flash_wire::kPageProgram, 0x100));

    box.write_file("adapter00/flash.bin", flash_before);
    box.write_text("adapter00/faults", "fail-after " + std::to_string(requests_before) + "\n");
    const run_result r = update_with(image);
    EXPECT_EQ(r.out, update_header(300) + "\b\b\b\b\b\b85.33%");
    EXPECT_NE(r.err.find("ERROR: register write failed with error code: 1167!\n"), std::string::npos);
    EXPECT_TRUE(r.err.ends_with(kDownloadFailed)) << r.err;
    EXPECT_EQ(r.status, 255);
    const std::vector<std::uint8_t> now = flash();
    EXPECT_EQ(bytes_of(now, 0, 256), bytes_of(image, 0, 256));
    EXPECT_EQ(bytes_of(now, 256, 300), std::vector<std::uint8_t>(44, 0xFF));
}

}  // namespace
