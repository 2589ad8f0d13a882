// Page program and sector erase over the adapter bench: write enable,
// the command with its address, the data chunks, the status poll with its
// delay, and the range checks that keep a command from wrapping.
#include "support/adapter_bench.h"

#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"

#include <cstring>
#include <vector>

namespace {

const recorded_transfer kWriteEnable{0x01, 0x06};
const recorded_transfer kStatusCommand{0x09, 0x05};
const recorded_transfer kStatusReady{0x00, 0x00};

using flash_write_page_test = adapter_bench_test;

TEST_F(flash_write_page_test, FullPageIsWriteEnableCommandSixtyFourChunksAndPoll) {
    const std::vector<std::uint8_t> data = pattern(256, 1);
    const auto [result, err] = run([&data] { return flash_write_page(0, kSettingsOffset, 256, data.data()); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");

    const std::vector<recorded_transfer> t = bench.transfers();
    ASSERT_EQ(t.size(), 2u + 64u + 2u);
    EXPECT_EQ(t[0], kWriteEnable);
    EXPECT_EQ(t[1], (recorded_transfer{0x0F, 0x00000302}));
    for (std::size_t k = 0; k < 64; ++k) {
        std::uint32_t expected = 0;
        for (std::size_t b = 0; b < 4; ++b) {
            expected |= static_cast<std::uint32_t>(data[4 * k + b]) << (8 * b);
        }
        const std::uint32_t operation = k + 1 < 64 ? 0x0F : 0x07;
        EXPECT_EQ(t[2 + k], (recorded_transfer{operation, expected})) << "chunk " << k;
    }
    EXPECT_EQ(t[66], kStatusCommand);
    EXPECT_EQ(t[67], kStatusReady);

    EXPECT_EQ(bench.programs(), 1);
    EXPECT_EQ(std::memcmp(bench.flash().data() + kSettingsOffset, data.data(), 256), 0);
}

// A short last chunk uses its own byte count: five bytes are a four-byte
// and a one-byte chunk, seven a four-byte and a three-byte one.
TEST_F(flash_write_page_test, ShortLastChunkUsesItsOwnByteCount) {
    const std::uint8_t data[5] = {0x01, 0x02, 0x03, 0x04, 0x05};
    ASSERT_EQ(flash_write_page(0, 0x100, 5, data), kFlashOk);
    std::vector<recorded_transfer> t = bench.transfers();
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[1], (recorded_transfer{0x0F, 0x00010002}));
    EXPECT_EQ(t[2], (recorded_transfer{0x0F, 0x04030201}));
    EXPECT_EQ(t[3], (recorded_transfer{0x01, 0x00000005}));
    bench.clear_log();
    const std::vector<std::uint8_t> seven = pattern(7, 0x40);
    ASSERT_EQ(flash_write_page(0, 0x200, 7, seven.data()), kFlashOk);
    t = bench.transfers();
    EXPECT_EQ(t[3], (recorded_transfer{0x05, 0x00000000u | seven[4] | seven[5] << 8 | seven[6] << 16}));
    EXPECT_EQ(std::memcmp(bench.flash().data() + 0x200, seven.data(), 7), 0);
}

TEST_F(flash_write_page_test, RangeChecksShowOffsetInPagePlusCountAndAcceptTheLastPage) {
    const std::vector<std::uint8_t> data(256, 0);
    struct refused {
        std::uint32_t address, count;
        const char* line;
    };
    for (const refused r : {
             refused{0x30080, 256, "ERROR: write offset outside of flash size: 0x180\n"},
             refused{kFlashBytes, 4, "ERROR: write offset outside of flash size: 0x4\n"},
             refused{0x7FFFF, 2, "ERROR: write offset outside of flash size: 0x101\n"},
             refused{0, 257, "ERROR: write offset outside of flash size: 0x101\n"},
             // An address near 4 GiB must not wrap past the end check.
             refused{0xFFFFFF00, 256, "ERROR: write offset outside of flash size: 0x100\n"},
         }) {
        const auto [result, err] = run([&data, r] { return flash_write_page(0, r.address, r.count, data.data()); });
        EXPECT_EQ(result, kFlashBadArgument) << std::hex << r.address;
        EXPECT_EQ(err, r.line);
    }
    EXPECT_EQ(flash_write_page(0, 0, 0, nullptr), kFlashOk);  // zero bytes send nothing
    EXPECT_TRUE(bench.requests.empty());
    // The last page of the flash is accepted.
    ASSERT_EQ(flash_write_page(0, kFlashBytes - 256, 256, data.data()), kFlashOk);
    EXPECT_EQ(bytes_of(bench.flash(), kFlashBytes - 256, kFlashBytes), data);
}

// Five status reads a millisecond apart: a program still running at the
// fifth (or a flash that stays busy) is given up, silently.
TEST_F(flash_write_page_test, ProgrammingTimeIsPolledEveryMillisecond) {
    const std::uint8_t data[4] = {1, 2, 3, 4};
    for (const int polls : {4, 5, -1}) {
        hw().faults = polls < 0 ? "" : "program-busy-polls " + std::to_string(polls) + "\n";
        hw().flash_stuck = polls < 0;
        const auto [result, err] = run([&data] { return flash_write_page(0, 0, 4, data); });
        EXPECT_EQ(result, polls == 4 ? kFlashOk : kFlashStillBusy) << polls;
        EXPECT_EQ(err, "");
        EXPECT_EQ(bench.sleeps(), (std::vector<std::uint32_t>{1, 1, 1, 1}));
        bench.clear_log();
    }
}

TEST_F(flash_write_page_test, FailedTransferStopsTheProgram) {
    // Write enable and command go through; the second data chunk never
    // completes, so the last chunk and the poll are never sent.
    hw().busy_reads_next_transfers = {0, 0, 0, 5};
    const std::vector<std::uint8_t> data = pattern(12, 0);
    const auto [result, err] = run([&data] { return flash_write_page(0, 0, 12, data.data()); });
    EXPECT_EQ(result, kFlashWriteIncomplete);
    EXPECT_EQ(err, kTimeoutLine + kWriteFailedLine);
    EXPECT_EQ(operations(), (std::vector<std::uint32_t>{0x01, 0x0F, 0x0F, 0x0F}));
}

TEST_F(flash_write_page_test, BusyAtWriteEnableSendsNothingElse) {
    hw().busy_reads = 1;
    const std::uint8_t data[1] = {0};
    const auto [result, err] = run([&data] { return flash_write_page(0, 0, 1, data); });
    EXPECT_EQ(result, kFlashControllerBusy);
    EXPECT_EQ(err, kBusyLine);
    EXPECT_EQ(bench.count(recorded_kind::register_write), 0u);
}

using flash_erase_sectors_test = adapter_bench_test;

TEST_F(flash_erase_sectors_test, SectorThreeIsWriteEnableEraseWordAndHalfSecondPoll) {
    std::memset(hw().flash.data() + 0x20000, 0x00, 0x30000);
    hw().faults = "erase-busy-polls 1\n";
    const auto [result, err] = run([] { return flash_erase_sectors(0, 3, 3); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.transfers(),
              (std::vector<recorded_transfer>{
                  kWriteEnable, {0x07, 0x000003D8}, kStatusCommand, {0x00, 0x01}, kStatusCommand, kStatusReady}));
    EXPECT_EQ(bench.sleeps(), (std::vector<std::uint32_t>{500}));
    // Exactly sector 3 is blank; its neighbours keep their bytes.
    const std::vector<std::uint8_t> flash = bench.flash();
    EXPECT_EQ(flash[0x2FFFF], 0x00);
    for (std::uint32_t a = 0x30000; a < 0x40000; ++a) {
        ASSERT_EQ(flash[a], 0xFF) << std::hex << a;
    }
    EXPECT_EQ(flash[0x40000], 0x00);
}

TEST_F(flash_erase_sectors_test, OptionRomSectorsAreErasedInAscendingOrder) {
    ASSERT_EQ(flash_erase_sectors(0, kOptionRomFirstSector, kOptionRomLastSector), kFlashOk);
    std::vector<std::uint32_t> erase_words;
    for (const recorded_transfer& t : bench.transfers()) {
        if (t.operation == 0x07) {
            erase_words.push_back(t.data);
        }
    }
    EXPECT_EQ(erase_words, (std::vector<std::uint32_t>{0x000000D8, 0x000001D8, 0x000002D8}));
    EXPECT_EQ(bench.erases(), 3);
}

TEST_F(flash_erase_sectors_test, EmptyRangesAndSectorsBeyondTheFlashSendNothing) {
    EXPECT_EQ(flash_erase_sectors(0, 2, 1), kFlashOk);  // empty or negative ranges send nothing
    EXPECT_EQ(flash_erase_sectors(0, -1, 3), kFlashOk);
    // Sector 8 would wrap to address 0 and wipe the Option ROM.
    const auto [result, err] = run([] { return flash_erase_sectors(0, 6, 8); });
    EXPECT_EQ(result, kFlashBadArgument);
    EXPECT_EQ(err, "ERROR: invalid address, outside of flash size!\n");
    EXPECT_TRUE(bench.requests.empty());

    ASSERT_EQ(flash_erase_sectors(0, 7, 7), kFlashOk);
    EXPECT_EQ(bench.transfers()[1], (recorded_transfer{0x07, 0x000007D8}));
}

TEST_F(flash_erase_sectors_test, FlashStillBusyStopsAtThatSectorWithoutALine) {
    hw().faults = "erase-busy-polls 5\n";
    const auto [result, err] = run([] { return flash_erase_sectors(0, 0, 2); });
    EXPECT_EQ(result, kFlashStillBusy);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.erases(), 1);
    EXPECT_EQ(bench.sleeps(), (std::vector<std::uint32_t>{500, 500, 500, 500}));
}

TEST_F(flash_erase_sectors_test, FailureAtALaterSectorLeavesEarlierOnesErased) {
    std::memset(hw().flash.data(), 0x00, 0x30000);
    // Sector 0: write enable, erase, status command, status byte complete;
    // sector 1: its write enable never completes, so no erase is sent.
    hw().busy_reads_next_transfers = {0, 0, 0, 0, 5};
    const auto [result, err] = run([] { return flash_erase_sectors(0, 0, 2); });
    EXPECT_EQ(result, kFlashWriteIncomplete);
    EXPECT_EQ(err, kTimeoutLine + kWriteFailedLine);
    const std::vector<std::uint8_t> flash = bench.flash();
    EXPECT_EQ(flash[0x0FFFF], 0xFF);
    EXPECT_EQ(flash[0x10000], 0x00);
    EXPECT_EQ(flash[0x20000], 0x00);
}

TEST_F(flash_erase_sectors_test, BusyControllerGivesMinusTwo) {
    hw().busy_reads = 1;
    const auto [result, err] = run([] { return flash_erase_sectors(0, 3, 3); });
    EXPECT_EQ(result, kFlashControllerBusy);
    EXPECT_EQ(err, kBusyLine);
    EXPECT_EQ(bench.erases(), 0);
}

}  // namespace
