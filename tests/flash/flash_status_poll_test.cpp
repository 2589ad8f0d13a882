// Waiting for the flash's own busy time: read-status commands, at most five,
// with the caller's delay between them.
#include "support/adapter_bench.h"

#include "flash/flash_controller.h"
#include "flash/flash_status_poll.h"

#include <vector>

namespace {

using flash_poll_status_test = adapter_bench_test;

// One status read on the wire: the 0x05 command kept open, then the status
// byte that ends it.
const recorded_transfer kStatusCommand{0x09, 0x05};

// Ready at once: one status command without a sleep; ready at the third
// status read: two sleeps of the caller's delay.
TEST_F(flash_poll_status_test, ReadyAfterAsManyStatusReadsAsTheFlashIsBusy) {
    for (const std::uint32_t busy : {0u, 2u}) {
        hw().wip_status_reads = busy;
        bench.clear_log();
        const auto [result, err] = run([] { return flash_poll_status(0, 7); });
        EXPECT_EQ(result, kFlashOk);
        EXPECT_EQ(err, "");
        EXPECT_EQ(bench.sleeps(), std::vector<std::uint32_t>(busy, 7));
        std::vector<recorded_transfer> expected;
        for (std::uint32_t i = 0; i <= busy; ++i) {
            expected.insert(expected.end(), {kStatusCommand, {0x00, i < busy ? 0x01u : 0x00u}});
        }
        EXPECT_EQ(bench.transfers(), expected);
        EXPECT_FALSE(bench.flash_selected());
    }
}

// Five status reads, the caller's delay between them (none after the last;
// a delay of 0 never sleeps), then a silent -3.
TEST_F(flash_poll_status_test, StillBusyAfterFifthReadIsSilentMinusThree) {
    hw().flash_stuck = true;
    for (const std::uint32_t delay : {0u, 500u}) {
        bench.clear_log();
        const auto [result, err] = run([delay] { return flash_poll_status(0, delay); });
        EXPECT_EQ(result, kFlashStillBusy);
        EXPECT_EQ(err, "");
        EXPECT_EQ(bench.transfers().size(), 10u);
        EXPECT_EQ(bench.sleeps(), std::vector<std::uint32_t>(delay == 0 ? 0 : 4, delay));
        EXPECT_EQ(bench.requests.back().kind, recorded_kind::register_read);
    }
}

TEST_F(flash_poll_status_test, OnlyBitZeroMeansBusy) {
    // Write-enable latch set (bit 1) without write in progress: ready.
    hw().write_enabled = true;
    bench.sync();
    EXPECT_EQ(flash_poll_status(0, 1), kFlashOk);
    EXPECT_EQ(bench.transfers().back(), (recorded_transfer{0x00, 0x02}));
}

TEST_F(flash_poll_status_test, FailuresReturnTheTransferCodesWithTheirLines) {
    const std::vector<scripted_busy> cases = {
        {"controller busy before the command", 1, {}, kFlashControllerBusy, kBusyLine},
        {"command never completes", 0, {5}, kFlashWriteIncomplete, kTimeoutLine + kWriteFailedLine},
        {"status byte never arrives", 0, {0, 5}, kFlashReadIncomplete, kTimeoutLine + kReadFailedLine},
    };
    for (const scripted_busy& c : cases) {
        c.apply(hw());
        const auto [result, err] = run([] { return flash_poll_status(0, 1); });
        EXPECT_EQ(result, c.code) << c.name;
        EXPECT_EQ(err, c.lines) << c.name;
    }
}

}  // namespace
