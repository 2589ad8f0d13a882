// The flash controller's two registers: busy timing, the data register's two
// directions, chip select and the continue flag, and the controller faults.
#include "model_bench.h"

#include <gtest/gtest.h>

namespace {

TEST(FlashController, IdleControllerReadsZeroAndUnknownRegistersAreInert) {
    model_bench bench;
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), 0u);
    adapter_model_reg_write(bench.model, 0x6E0, 0xFFFFFFFFu);
    EXPECT_EQ(adapter_model_reg_read(bench.model, 0x6E0), 0u);
    EXPECT_EQ(adapter_model_reg_read(bench.model, 0x0), 0u);
}

TEST(FlashController, DataRegisterReadsTheLastReadTransferNotWhatWasWritten) {
    model_bench bench;
    bench.program(0x0, {0x11, 0x22, 0x33, 0x44});
    adapter_model_reg_write(bench.model, kDataRegister, 0xDEADBEEFu);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kDataRegister), 0u);  // no read transfer yet
    std::uint32_t word = 0;
    bench.write_transfer(0x0000000B, 4, true);
    bench.read_transfer(1, true, &word);
    bench.read_transfer(2, false, &word);
    EXPECT_EQ(word, 0x00002211u);
    bench.write_transfer(0x12345678u, 1, false);  // a write leaves the received bytes
    EXPECT_EQ(adapter_model_reg_read(bench.model, kDataRegister), 0x00002211u);
}

TEST(FlashController, OnlyTheLowFourBitsOfTheOperationWordCount) {
    model_bench bench;
    adapter_model_reg_write(bench.model, kDataRegister, 0x06);
    adapter_model_reg_write(bench.model, kControlRegister, 0xFFFFFF01u);  // write 1 byte, end
    EXPECT_EQ(bench.status(), 0x02);
}

TEST(FlashController, TheFlashActsOnlyWhenTheLastTransferDeselectsIt) {
    model_bench bench;
    bench.write_enable();
    bench.write_transfer(0x00010002, 4, true);  // program at 0x000100
    bench.write_transfer(0x00000000, 4, true);
    EXPECT_EQ(bench.flash_file()[0x100], 0xFF);  // still selected: nothing yet
    bench.write_transfer(0x00000000, 2, false);
    const std::vector<std::uint8_t> file = bench.flash_file();
    EXPECT_EQ(file[0x100], 0x00);
    EXPECT_EQ(file[0x105], 0x00);
    EXPECT_EQ(file[0x106], 0xFF);
}

TEST(FlashController, ATransferWithoutContinueEndsTheCommand) {
    model_bench bench;
    // Write enable sent with continue, then another byte: the part sees
    // 0x06 0x05 in one command, which is not a write enable.
    bench.write_transfer(0x06, 1, true);
    bench.write_transfer(0x05, 1, false);
    EXPECT_EQ(bench.status(), 0x00);
    // Ended properly, it sets the latch.
    bench.write_transfer(0x06, 1, false);
    EXPECT_EQ(bench.status(), 0x02);
}

TEST(FlashControllerFaults, BusyReadsDelayEveryTransferAndItsData) {
    model_bench bench;
    bench.program(0x0, {0x5A});
    ASSERT_TRUE(bench.open({.controller_busy_reads = 3}));
    adapter_model_reg_write(bench.model, kDataRegister, 0x0000000B);
    adapter_model_reg_write(bench.model, kControlRegister, operation_word(true, 4, true));
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), kBusyBit);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), kBusyBit);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), kBusyBit);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), 0u);
    std::uint32_t word = 0;
    EXPECT_EQ(bench.read_transfer(1, true, &word), 3u);
    adapter_model_reg_write(bench.model, kControlRegister, operation_word(false, 1, false));
    adapter_model_reg_read(bench.model, kControlRegister);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kDataRegister), 0xFFu);  // the dummy's, not yet the data
    adapter_model_reg_read(bench.model, kControlRegister);
    adapter_model_reg_read(bench.model, kControlRegister);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), 0u);
    EXPECT_EQ(adapter_model_reg_read(bench.model, kDataRegister), 0x5Au);
}

TEST(FlashControllerFaults, ATransferStartedWhileBusyIsIgnored) {
    model_bench bench;
    ASSERT_TRUE(bench.open({.controller_busy_reads = 2}));
    adapter_model_reg_write(bench.model, kDataRegister, 0x06);
    adapter_model_reg_write(bench.model, kControlRegister, operation_word(true, 1, false));
    // Write disable started on top of the running write enable is dropped.
    adapter_model_reg_write(bench.model, kDataRegister, 0x04);
    adapter_model_reg_write(bench.model, kControlRegister, operation_word(true, 1, false));
    while ((adapter_model_reg_read(bench.model, kControlRegister) & kBusyBit) != 0) {
    }
    EXPECT_EQ(bench.status(), 0x02);
}

TEST(FlashControllerFaults, StuckControllerIsAlwaysBusyAndReachesNothing) {
    model_bench bench;
    ASSERT_TRUE(bench.open({.controller_stuck = true}));
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(adapter_model_reg_read(bench.model, kControlRegister), kBusyBit);
    }
    adapter_model_reg_write(bench.model, kDataRegister, 0x06);
    adapter_model_reg_write(bench.model, kControlRegister, operation_word(true, 1, false));
    adapter_model_reg_write(bench.model, kDataRegister, 0x000000D8);
    adapter_model_reg_write(bench.model, kControlRegister, operation_word(true, 4, false));
    EXPECT_EQ(adapter_model_reg_read(bench.model, kControlRegister), kBusyBit);
    bench.close();
    ASSERT_TRUE(bench.open());
    EXPECT_EQ(bench.status(), 0x00);  // the write enable never got through
}

}  // namespace
