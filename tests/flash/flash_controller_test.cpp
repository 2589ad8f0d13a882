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

// Idle at the first look returns at once; idle at the fifth read is still
// in time.
TEST_F(flash_wait_idle_test, IdleByTheFifthReadReturnsThen) {
    const auto [result, err] = run([] { return flash_wait_idle(0); });
    EXPECT_EQ(result, kFlashOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{reg_read_of(kControl, 0)}));
    hw().busy_reads = 4;
    bench.clear_log();
    EXPECT_EQ(run([] { return flash_wait_idle(0); }), std::make_pair(int{kFlashOk}, std::string()));
    EXPECT_EQ(bench.count(recorded_kind::register_read), 5u);
    EXPECT_EQ(bench.sleeps(), (std::vector<std::uint32_t>{10, 10, 10, 10}));
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

// A wrong byte count touches no register; a busy controller starts
// nothing; a transfer that never completes is reported as a timeout, then a
// failed write or read, and a read's word is then neither fetched nor stored.
TEST_F(flash_read_op_test, FailuresOfBothDirections) {
    struct failure {
        bool write;
        std::uint32_t count;
        const char* faults;
        std::uint32_t busy_reads;
        int code;
        std::string err;
    };
    const std::vector<failure> cases = {
        {true, 0, "", 0, kFlashBadArgument, "ERROR: wrong byte count of 0 to write!\n"},
        {true, 5, "", 0, kFlashBadArgument, "ERROR: wrong byte count of 5 to write!\n"},
        {false, 0, "", 0, kFlashBadArgument, "ERROR: wrong byte count of 0 to read!\n"},
        {false, 5, "", 0, kFlashBadArgument, "ERROR: wrong byte count of 5 to read!\n"},
        {true, 4, "", 1, kFlashControllerBusy, kBusyLine},
        {false, 4, "", 1, kFlashControllerBusy, kBusyLine},
        {true, 1, "controller-busy-reads 5\n", 0, kFlashWriteIncomplete, kTimeoutLine + kWriteFailedLine},
        {false, 4, "controller-busy-reads 5\n", 0, kFlashReadIncomplete, kTimeoutLine + kReadFailedLine},
    };
    for (const failure& c : cases) {
        SCOPED_TRACE(c.err);
        hw() = bench_setup{};
        hw().faults = c.faults;
        hw().busy_reads = c.busy_reads;
        bench.clear_log();
        std::uint32_t word = 0xDEADBEEF;
        const auto [result, err] =
            run([&] { return c.write ? flash_write_op(0, c.count, 0, 0x06) : flash_read_op(0, c.count, 0, &word); });
        EXPECT_EQ(result, c.code);
        EXPECT_EQ(err, c.err);
        EXPECT_EQ(word, 0xDEADBEEFu);
        const std::size_t sleeps = c.faults[0] != '\0' ? 4 : 0;
        EXPECT_EQ(bench.sleeps().size(), sleeps);
        if (c.code == kFlashBadArgument) {
            EXPECT_TRUE(bench.requests.empty());
        }
        if (c.code == kFlashControllerBusy) {
            EXPECT_EQ(bench.requests, (std::vector<recorded_request>{reg_read_of(kControl, flash_wire::kControlBusy)}));
        }
        for (const recorded_request& r : bench.requests) {
            EXPECT_FALSE(!c.write && r.kind == recorded_kind::register_read && r.offset == kData);
        }
    }
}

}  // namespace
