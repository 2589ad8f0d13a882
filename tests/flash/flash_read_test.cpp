// flash_read_words over the adapter bench: the fast-read command, the
// dummy byte, the data words and where each byte lands, and how failures of
// each phase are reported.
#include "support/adapter_bench.h"

#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t kData = flash_wire::kDataRegister;
constexpr std::uint32_t kControl = flash_wire::kControlRegister;
const std::string kPhaseLine = "ERROR: could not write/read from serial flash!\n";
const std::string kAddressLine = "ERROR: invalid address, outside of flash size!\n";

using flash_read_words_test = adapter_bench_test;

TEST_F(flash_read_words_test, OneWordAtZeroIsCommandDummyAndOneEndingRead) {
    hw().flash[0] = 0x55;
    hw().flash[1] = 0xAA;
    hw().flash[2] = 0x30;
    hw().flash[3] = 0x01;
    std::uint32_t word = 0;
    const auto [result, err] = run([&word] { return flash_read_words(0, 0, 1, &word); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.requests,
              (std::vector<recorded_request>{// fast read 0x0B, address 0: one 4-byte write, flash kept selected
                                             reg_read_of(kControl, 0), reg_write_of(kData, 0x0000000B),
                                             reg_write_of(kControl, 0x0F), reg_read_of(kControl, 0),
                                             // the dummy byte, while the part drives 0xFF
                                             reg_read_of(kControl, 0), reg_write_of(kControl, 0x08),
                                             reg_read_of(kControl, 0), reg_read_of(kData, 0xFF),
                                             // the only data word ends the command
                                             reg_read_of(kControl, 0), reg_write_of(kControl, 0x06),
                                             reg_read_of(kControl, 0), reg_read_of(kData, 0x0130AA55)}));
    const std::array<std::uint8_t, 4> expected{0x55, 0xAA, 0x30, 0x01};
    EXPECT_EQ(std::memcmp(&word, expected.data(), 4), 0);
    EXPECT_FALSE(bench.flash_selected());
}

TEST_F(flash_read_words_test, SettingsRecordIs110ContinuingReadsAndOneEndingRead) {
    for (std::uint32_t i = 0; i < 444; ++i) {
        hw().flash[kSettingsOffset + i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // One spare byte in front, so the words land at an odd address.
    std::vector<std::uint8_t> storage(1 + 444 + 1, 0xEE);
    std::uint8_t* buffer = storage.data() + 1;
    bench.sync();
    ASSERT_EQ(flash_read_words(0, kSettingsOffset, 111, buffer), kFlashOk);

    const std::vector<recorded_transfer> transfers = bench.transfers();
    ASSERT_EQ(transfers.size(), 2u + 111u);
    EXPECT_EQ(transfers[0], (recorded_transfer{0x0F, 0x0000030B}));
    EXPECT_EQ(transfers[1].operation, 0x08u);
    for (std::size_t k = 2; k < 2 + 110; ++k) {
        EXPECT_EQ(transfers[k].operation, 0x0Eu) << "word " << k - 2;
    }
    EXPECT_EQ(transfers.back().operation, 0x06u);

    EXPECT_EQ(std::memcmp(buffer, hw().flash.data() + kSettingsOffset, 444), 0);
    EXPECT_EQ(storage.front(), 0xEE);
    EXPECT_EQ(storage.back(), 0xEE);
}

TEST_F(flash_read_words_test, AddressBytesGoMostSignificantFirst) {
    std::uint32_t word = 0;
    ASSERT_EQ(flash_read_words(0, 0x07A5C4, 1, &word), kFlashOk);
    EXPECT_EQ(bench.transfers().front(), (recorded_transfer{0x0F, 0xC4A5070B}));
}

// An unaligned address, or a range the flash would wrap back to address 0,
// sends nothing and leaves the words alone; so do zero words.
TEST_F(flash_read_words_test, RangeMustBeAlignedAndLieInsideTheFlash) {
    std::uint32_t words[2] = {0x12345678, 0x12345678};
    struct range {
        std::uint32_t address, count;
    };
    for (const range r :
         {range{2, 1}, range{kFlashBytes, 1}, range{kFlashBytes - 4, 2}, range{0xFFFFFFFC, 2}, range{0, 0x40000000}}) {
        const auto [result, err] = run([&words, r] { return flash_read_words(0, r.address, r.count, words); });
        EXPECT_EQ(result, kFlashBadArgument) << std::hex << r.address << " " << r.count;
        EXPECT_EQ(err, kAddressLine);
        EXPECT_EQ(words[0], 0x12345678u);
    }
    EXPECT_EQ(flash_read_words(0, 0, 0, nullptr), kFlashOk);
    EXPECT_TRUE(bench.requests.empty());

    hw().flash[kFlashBytes - 1] = 0x9C;
    bench.sync();
    ASSERT_EQ(flash_read_words(0, kFlashBytes - 4, 1, words), kFlashOk);
    EXPECT_EQ(words[0], 0x9CFFFFFFu);
}

// The command and dummy phases both run, and their codes are ORed.
TEST_F(flash_read_words_test, FailedCommandOrDummyPhaseReportsTheOrOfBothCodes) {
    const std::vector<scripted_busy> cases = {
        {"busy at the command", 1, {}, kFlashControllerBusy, kBusyLine + kPhaseLine},
        {"busy at both", 2, {}, kFlashControllerBusy, kBusyLine + kBusyLine + kPhaseLine},
        {"busy at the command, dummy times out",
         1,
         {5},
         -2 | 5,
         kBusyLine + kTimeoutLine + kReadFailedLine + kPhaseLine},
        {"command times out", 0, {5}, kFlashWriteIncomplete, kTimeoutLine + kWriteFailedLine + kPhaseLine},
        {"dummy times out", 0, {0, 5}, kFlashReadIncomplete, kTimeoutLine + kReadFailedLine + kPhaseLine},
        {"both time out",
         0,
         {5, 5},
         6 | 5,
         kTimeoutLine + kWriteFailedLine + kTimeoutLine + kReadFailedLine + kPhaseLine},
    };
    for (const scripted_busy& c : cases) {
        c.apply(hw());
        bench.clear_log();
        std::uint32_t words[2] = {0xA5A5A5A5, 0xA5A5A5A5};
        const auto [result, err] = run([&words] { return flash_read_words(0, 0, 2, words); });
        EXPECT_EQ(result, c.code) << c.name;
        EXPECT_EQ(err, c.lines) << c.name;
        // No data word is read after a failed phase.
        for (const recorded_transfer& t : bench.transfers()) {
            EXPECT_NE(t.operation, 0x0Eu) << c.name;
            EXPECT_NE(t.operation, 0x06u) << c.name;
        }
        EXPECT_EQ(words[0], 0xA5A5A5A5u) << c.name;
    }
}

TEST_F(flash_read_words_test, FailedDataWordKeepsEarlierWordsAndStops) {
    for (std::uint32_t i = 0; i < 16; ++i) {
        hw().flash[i] = static_cast<std::uint8_t>(0x10 + i);
    }
    // command, dummy, word 0, word 1 complete; word 2 never does.
    hw().busy_reads_next_transfers = {0, 0, 0, 0, 5};
    std::uint32_t words[4] = {0, 0, 0xA5A5A5A5, 0xA5A5A5A5};
    const auto [result, err] = run([&words] { return flash_read_words(0, 0, 4, words); });
    EXPECT_EQ(result, kFlashReadIncomplete);
    // The transfer and the operation both say the read failed.
    EXPECT_EQ(err, kTimeoutLine + kReadFailedLine + kReadFailedLine);
    EXPECT_EQ(words[0], 0x13121110u);
    EXPECT_EQ(words[1], 0x17161514u);
    EXPECT_EQ(words[2], 0xA5A5A5A5u);
    EXPECT_EQ(words[3], 0xA5A5A5A5u);
    EXPECT_EQ(bench.transfers().size(), 5u);
}

TEST_F(flash_read_words_test, BusyControllerAtADataWordReturnsMinusTwo) {
    // Idle for the command and dummy phases, then busy when word 0 is due.
    hw().control_read_values = {0, 0, 0, 0, flash_wire::kControlBusy};
    std::uint32_t word = 0xA5A5A5A5;
    const auto [result, err] = run([&word] { return flash_read_words(0, 0, 1, &word); });
    EXPECT_EQ(result, kFlashControllerBusy);
    EXPECT_EQ(err, kBusyLine + kReadFailedLine);
    EXPECT_EQ(word, 0xA5A5A5A5u);
    EXPECT_EQ(operations(), (std::vector<std::uint32_t>{0x0F, 0x08}));
}

}  // namespace
