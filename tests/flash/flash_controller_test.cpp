// Single transfers through the flash controller, request by request: the
// busy check before anything starts, the data register before the operation
// word, and the bounded wait afterwards.
#include "support/adapter_bench.h"

#include "flash/flash_controller.h"

#include <vector>

namespace {

constexpr std::uint32_t kData = flash_wire::kDataRegister;
constexpr std::uint32_t kControl = flash_wire::kControlRegister;

using flash_wait_idle_test = adapter_bench_test;

TEST_F(flash_wait_idle_test, IdleAtTheFirstLookReturnsAtOnce) {
    const auto [result, err] = run([] { return flash_wait_idle(0); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{reg_read_of(kControl, 0)}));
}

TEST_F(flash_wait_idle_test, BusyThroughoutTimesOutAfterFiveReadsAndFourSleeps) {
    hw().controller_stuck = true;
    const auto [result, err] = run([] { return flash_wait_idle(0); });
    EXPECT_EQ(result, kFlashWriteIncomplete);
    EXPECT_EQ(err, kTimeoutLine);
    const recorded_request busy = reg_read_of(kControl, flash_wire::kControlBusy);
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{busy, sleep_of(10), busy, sleep_of(10), busy, sleep_of(10),
                                                             busy, sleep_of(10), busy}));
}

TEST_F(flash_wait_idle_test, IdleAtTheFifthReadIsStillInTime) {
    hw().busy_reads = 4;
    const auto [result, err] = run([] { return flash_wait_idle(0); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.count(recorded_kind::register_read), 5u);
    EXPECT_EQ(bench.sleeps(), (std::vector<std::uint32_t>{10, 10, 10, 10}));
}

// A refused read says nothing about the controller: no idle, no retry.
TEST_F(flash_wait_idle_test, FailedRegisterReadIsNoIdle) {
    hw().fail_error = 31;
    const auto [result, err] = run([] { return flash_wait_idle(0); });
    EXPECT_EQ(result, kFlashWriteIncomplete);
    EXPECT_EQ(err, "ERROR: register read failed with error code: 31!\n");
    EXPECT_TRUE(bench.sleeps().empty());
}

using flash_write_op_test = adapter_bench_test;

TEST_F(flash_write_op_test, OneByteSendsDataRegisterThenOperationWordThenWaits) {
    const auto [result, err] = run([] { return flash_write_op(0, 1, 0, 0x05); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{reg_read_of(kControl, 0), reg_write_of(kData, 0x05),
                                                             reg_write_of(kControl, 0x01), reg_read_of(kControl, 0)}));
    // Only the command byte went out on the wire.
    EXPECT_EQ(bench.commands().back().sent, (std::vector<std::uint8_t>{0x05}));
}

TEST_F(flash_write_op_test, OperationWordCarriesCountAndContinueFlag) {
    struct shape {
        std::uint32_t count, more, operation;
    };
    for (const shape s : {shape{1, 0, 0x01}, shape{2, 0, 0x03}, shape{3, 0, 0x05}, shape{4, 0, 0x07}, shape{1, 1, 0x09},
                          shape{2, 1, 0x0B}, shape{3, 1, 0x0D}, shape{4, 1, 0x0F}}) {
        bench.clear_log();
        ASSERT_EQ(flash_write_op(0, s.count, s.more, 0xA1B2C3D4), kFlashOk);
        EXPECT_EQ(bench.transfers(), (std::vector<recorded_transfer>{{s.operation, 0xA1B2C3D4}}))
            << "count " << s.count << " continue " << s.more;
    }
}

TEST_F(flash_write_op_test, WrongByteCountTouchesNoRegister) {
    for (const std::uint32_t count : {0u, 5u}) {
        const auto [result, err] = run([count] { return flash_write_op(0, count, 0, 0); });
        EXPECT_EQ(result, kFlashBadArgument);
        EXPECT_EQ(err, "ERROR: wrong byte count of " + std::to_string(count) + " to write!\n");
    }
    EXPECT_TRUE(bench.requests.empty());
}

TEST_F(flash_write_op_test, BusyControllerStartsNothing) {
    hw().busy_reads = 1;
    const auto [result, err] = run([] { return flash_write_op(0, 4, 1, 0x1234); });
    EXPECT_EQ(result, kFlashControllerBusy);
    EXPECT_EQ(err, kBusyLine);
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{reg_read_of(kControl, flash_wire::kControlBusy)}));
}

TEST_F(flash_write_op_test, TransferThatNeverCompletesReportsTimeoutThenWriteFailure) {
    hw().faults = "controller-busy-reads 5\n";
    const auto [result, err] = run([] { return flash_write_op(0, 1, 0, 0x06); });
    EXPECT_EQ(result, kFlashWriteIncomplete);
    EXPECT_EQ(err, kTimeoutLine + kWriteFailedLine);
    EXPECT_EQ(bench.sleeps().size(), 4u);
}

using flash_read_op_test = adapter_bench_test;

TEST_F(flash_read_op_test, ReadStartsTransferWaitsThenFetchesData) {
    // A fast read of address 0, left open so that bytes can be clocked in.
    for (std::uint8_t i = 0; i < 4; ++i) {
        hw().flash[i] = static_cast<std::uint8_t>(0x11 * (i + 1));
    }
    bench.sync();
    ASSERT_EQ(flash_write_op(0, 4, 1, 0x0000000B), kFlashOk);
    bench.clear_log();

    std::uint32_t dummy = 0xDEADBEEF;
    const auto [result, err] = run([&dummy] { return flash_read_op(0, 1, 1, &dummy); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{reg_read_of(kControl, 0), reg_write_of(kControl, 0x08),
                                                             reg_read_of(kControl, 0), reg_read_of(kData, 0xFF)}));
    EXPECT_EQ(dummy, 0xFFu);  // the part drives 0xFF through the dummy byte

    // The word keeps wire order: the first byte clocked in is bits 0-7.
    std::uint32_t word = 0;
    ASSERT_EQ(flash_read_op(0, 4, 0, &word), kFlashOk);
    EXPECT_EQ(word, 0x44332211u);
    EXPECT_EQ(bench.transfers().back(), (recorded_transfer{0x06, 0x44332211}));
    EXPECT_FALSE(bench.flash_selected());
}

TEST_F(flash_read_op_test, BusyControllerStartsNothingAndLeavesWordAlone) {
    hw().busy_reads = 1;
    std::uint32_t word = 0xDEADBEEF;
    const auto [result, err] = run([&word] { return flash_read_op(0, 4, 0, &word); });
    EXPECT_EQ(result, kFlashControllerBusy);
    EXPECT_EQ(err, kBusyLine);
    EXPECT_EQ(word, 0xDEADBEEFu);
    EXPECT_EQ(bench.count(recorded_kind::register_write), 0u);
}

TEST_F(flash_read_op_test, TransferThatNeverCompletesReportsTimeoutThenReadFailure) {
    hw().faults = "controller-busy-reads 5\n";
    std::uint32_t word = 0xDEADBEEF;
    const auto [result, err] = run([&word] { return flash_read_op(0, 4, 0, &word); });
    EXPECT_EQ(result, kFlashReadIncomplete);
    EXPECT_EQ(err, kTimeoutLine + kReadFailedLine);
    EXPECT_EQ(word, 0xDEADBEEFu);
    // The data register is never fetched after a timeout.
    for (const recorded_request& r : bench.requests) {
        EXPECT_FALSE(r.kind == recorded_kind::register_read && r.offset == kData);
    }
}

TEST_F(flash_read_op_test, ByteCountOutsideOneToFourIsRefused) {
    std::uint32_t word = 0;
    for (const std::uint32_t count : {0u, 5u}) {
        const auto [result, err] = run([&word, count] { return flash_read_op(0, count, 0, &word); });
        EXPECT_EQ(result, kFlashBadArgument);
        EXPECT_EQ(err, "ERROR: wrong byte count of " + std::to_string(count) + " to read!\n");
    }
    EXPECT_TRUE(bench.requests.empty());
}

}  // namespace
