// The SPI NOR part behind the flash controller, driven by operation words on
// the controller's registers: what reaches the cells, what the status
// register says, and which commands the part refuses.
#include "model_bench.h"
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using u8s = std::vector<std::uint8_t>;

u8s counting(std::size_t count, std::uint8_t first) {
    u8s bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

// A command with a 3-byte address and the bytes after it.
u8s addressed(std::uint8_t opcode, std::uint32_t address, const u8s& after) {
    u8s sent = with_address(opcode, address);
    sent.insert(sent.end(), after.begin(), after.end());
    return sent;
}

// Without the write enable latch, a program or erase is ignored; write
// disable clears the latch; an erase with a byte after its address is not
// executed and leaves the latch set.
TEST(SpiNorWriteEnable, ProgramAndEraseNeedTheLatchAndAnExactCommand) {
    model_bench bench;
    bench.command(addressed(0x02, 0x1000, {0x00, 0x11, 0x22, 0x33}));
    EXPECT_EQ(bench.fast_read(0x1000, 4), u8s(4, 0xFF));
    EXPECT_EQ(bench.flash_file(), erased_flash());
    EXPECT_EQ(bench.status(), 0x00);
    bench.write_enable();
    EXPECT_EQ(bench.status(), 0x02);
    bench.command({0x04});
    EXPECT_EQ(bench.status(), 0x00);
    bench.command(addressed(0x02, 0x2000, {0x00}));
    EXPECT_EQ(bench.fast_read(0x2000, 1)[0], 0xFF);

    bench.program(0x10000, {0x00});
    bench.command(with_address(0xD8, 0x10000));  // no write enable
    EXPECT_EQ(bench.fast_read(0x10000, 1)[0], 0x00);
    bench.write_enable();
    bench.command(addressed(0xD8, 0x10000, {0x00}));
    EXPECT_EQ(bench.fast_read(0x10000, 1)[0], 0x00);
    EXPECT_EQ(bench.status(), 0x02);
    // An unknown command is ignored too, and the latch survives it.
    EXPECT_EQ(bench.command({0x5A, 0x00, 0x00, 0x00}, 4), u8s(4, 0xFF));
    EXPECT_EQ(bench.status(), 0x02);
}

// Programming only clears bits, clears the latch, and a page lands in the
// file at its address, nowhere else; data beyond the page wraps to its
// start, and more than a page keeps the last bytes for each column.
TEST(SpiNorProgram, OnlyClearsBitsWithinItsPage) {
    model_bench bench;
    bench.program(0x30000, {0xF0, 0x0F, 0xAA, 0x55});
    EXPECT_EQ(bench.status(), 0x00);  // WEL cleared, WIP already over by default
    bench.program(0x30000, {0x3C, 0x3C, 0xFF, 0x00});
    EXPECT_EQ(bench.fast_read(0x30000, 5), (u8s{0x30, 0x0C, 0xAA, 0x00, 0xFF}));
    bench.program(0x7FF00, counting(256, 0x00));
    const u8s file = bench.flash_file();
    EXPECT_EQ(file[0x30000], 0x30);
    EXPECT_EQ(file[0x30003], 0x00);
    EXPECT_EQ(u8s(file.begin() + 0x7FF00, file.end()), counting(256, 0x00));
    EXPECT_EQ(file[0x7FEFF], 0xFF);

    // 8 bytes from 4 before the end of page 0x500: the last four land at the
    // page's first columns, the next page stays erased.
    bench.program(0x5FC, counting(8, 0x10));
    EXPECT_EQ(bench.fast_read(0x5FC, 4), counting(4, 0x10));
    EXPECT_EQ(bench.fast_read(0x500, 4), counting(4, 0x14));
    EXPECT_EQ(bench.fast_read(0x600, 4), u8s(4, 0xFF));
    u8s bytes(256, 0xFF);
    bytes.push_back(0x00);  // byte 257 replaces column 0 in the page buffer
    bytes[0] = 0x7F;
    bench.program(0x100, bytes);
    EXPECT_EQ(bench.fast_read(0x100, 2), (u8s{0x00, 0xFF}));
}

TEST(SpiNorErase, ErasesTheWholeSectorHoldingTheAddressAndNothingElse) {
    model_bench bench;
    for (std::uint32_t sector = 2; sector <= 4; ++sector) {
        bench.program(sector * 0x10000, {0x00, 0x00});
        bench.program(sector * 0x10000 + 0xFFFE, {0x00, 0x00});
    }
    bench.erase(0x3ABCD);  // any address inside sector 3
    EXPECT_EQ(bench.status(), 0x00);
    const u8s file = bench.flash_file();
    EXPECT_EQ(file[0x2FFFF], 0x00);
    EXPECT_EQ(file[0x40000], 0x00);
    EXPECT_EQ(file[0x30000], 0xFF);
    EXPECT_EQ(file[0x3FFFF], 0xFF);
    EXPECT_EQ(bench.fast_read(0x2FFFE, 4), (u8s{0x00, 0x00, 0xFF, 0xFF}));
}

// Fast read skips the dummy byte as the controller protocol sends it: command
// and address as one 4-byte write transfer, the dummy as a 1-byte read, then
// reads whose bytes sit in the low positions. Plain read has no dummy byte;
// reads wrap from the end of the flash to its start; the part identifies
// itself with a 3-byte JEDEC ID.
TEST(SpiNorRead, FastAndPlainReadsTheIdAndTheWrapAtTheEnd) {
    model_bench bench;
    bench.program(0x30000, counting(12, 0xA0));
    std::uint32_t word = 0;
    bench.write_transfer(0x0000030B, 4, true);
    bench.read_transfer(1, true, &word);
    EXPECT_EQ(word, 0xFFu);  // nothing is driven during the dummy byte
    bench.read_transfer(4, true, &word);
    EXPECT_EQ(word, 0xA3A2A1A0u);
    bench.read_transfer(4, true, &word);
    EXPECT_EQ(word, 0xA7A6A5A4u);
    bench.read_transfer(3, false, &word);
    EXPECT_EQ(word, 0x00AAA9A8u);  // unused high byte 0

    bench.program(0x200, counting(8, 0x40));
    EXPECT_EQ(bench.command(with_address(0x03, 0x200), 8), counting(8, 0x40));
    bench.program(0x7FFFE, {0x01, 0x02});
    bench.program(0x0, {0x03, 0x04});
    EXPECT_EQ(bench.fast_read(0x7FFFE, 4), (u8s{0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(bench.command({0x9F}, 3), (u8s{0xC2, 0x20, 0x13}));
}

TEST(SpiNorBusy, ProgramAndEraseShowWipForTheConfiguredStatusReads) {
    model_bench bench;
    ASSERT_TRUE(bench.open({.program_busy_polls = 3, .erase_busy_polls = 2}));
    bench.program(0x100, {0x00});
    EXPECT_EQ(bench.command({0x05}, 1)[0], 0x01);
    EXPECT_EQ(bench.command({0x05}, 3), (u8s{0x01, 0x01, 0x00}));  // each status read within a command counts
    // The bytes are in the file as soon as the command ends, busy or not.
    EXPECT_EQ(bench.flash_file()[0x100], 0x00);
    bench.erase(0x0);
    EXPECT_EQ(bench.command({0x05}, 4), (u8s{0x01, 0x01, 0x00, 0x00}));
}

TEST(SpiNorBusy, EveryCommandButReadStatusIsIgnoredWhileBusy) {
    model_bench bench;
    ASSERT_TRUE(bench.open({.erase_busy_polls = 100}));
    bench.program(0x10, {0x00});  // program-busy-polls is 0: over at once
    bench.erase(0x0);
    ASSERT_EQ(bench.status(), 0x01);
    bench.write_enable();
    EXPECT_EQ(bench.status(), 0x01);  // no WEL: write enable was ignored
    EXPECT_EQ(bench.fast_read(0x0, 4), u8s(4, 0xFF));
    EXPECT_EQ(bench.command({0x9F}, 3), u8s(3, 0xFF));
}

TEST(SpiNorBusy, ProgramAndEraseKeepWipForTheirRealTime) {
    model_bench bench{emulator_clock::real};  // the clock every user of the emulator gets by default
    ASSERT_TRUE(bench.open({.program_time_us = 30000, .erase_time_ms = 60}));
    using clock = std::chrono::steady_clock;

    // Timed from before the command, so that a pause of this process can
    // only lengthen what is measured, never shorten it below the busy time.
    auto busy_time = [&bench](clock::time_point start) {
        while ((bench.status() & 0x01) != 0) {
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count();
    };
    auto start = clock::now();
    bench.program(0x0, {0x00});
    EXPECT_EQ(bench.status() & 0x01, 0x01);
    const auto program_ms = busy_time(start);
    EXPECT_GE(program_ms, 30);
    EXPECT_LT(program_ms, 1000);
    start = clock::now();
    bench.erase(0x0);
    const auto erase_ms = busy_time(start);
    EXPECT_GE(erase_ms, 60);
    EXPECT_LT(erase_ms, 1000);
}

TEST(SpiNorBusy, FlashStuckNeverClearsWip) {
    model_bench bench;
    ASSERT_TRUE(bench.open({.flash_stuck = true}));
    EXPECT_EQ(bench.status(), 0x00);  // idle until something is written
    bench.program(0x0, {0x12});
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(bench.status() & 0x01, 0x01);
    }
    EXPECT_EQ(bench.flash_file()[0], 0x12);
    // A fresh power-on clears the hang, as removing power would.
    ASSERT_TRUE(bench.open());
    EXPECT_EQ(bench.status(), 0x00);
}

}  // namespace
