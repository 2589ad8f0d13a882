// The flash layer against one emulated adapter in this process: the
// emulator's own controller and SPI NOR model behind the interposer, which
// records every request and sleep in order (sleeps are not spent) and gives
// the scripted answers the model has no fault for, on exactly the request a
// test picks.
//
// What the model starts from (the flash contents and its busy timing) is
// set in setup() and takes effect when the adapter is powered on: at
// clear_log(), and at the start of run() when it changed.
#pragma once

#include "device/adapter_table.h"
#include "flash/flash_controller.h"
#include "support/adapter_contents.h"
#include "support/emulator_interposer.h"
#include "support/emulator_sandbox.h"
#include "support/recorded_request.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

inline constexpr std::uint32_t kControlBusyValue = flash_wire::kControlBusy;

struct flash_setup {
    // Power-on state of the model.
    std::vector<std::uint8_t> flash = erased_flash();
    std::uint32_t busy_reads_per_transfer = 0;  // how long each transfer runs, in control reads
    std::uint32_t wip_reads_after_program = 0;  // status reads that show a page program still running
    std::uint32_t wip_reads_after_erase = 0;    // the same for a sector erase
    bool write_enabled = false;                 // a write enable is sent at power-on

    // Scripted answers, given in the adapter's place.
    // Every request fails with fail_error once fail_after have gone through.
    std::uint32_t fail_error = 0;
    std::uint64_t fail_after = 0;
    // Control reads that show busy before the next transfer; each transfer
    // started reloads the count from busy_reads_next_transfers (front
    // first, else 0). An operation word written while busy is ignored, as
    // the controller ignores it. controller_stuck: busy for ever.
    std::uint32_t busy_reads = 0;
    std::deque<std::uint32_t> busy_reads_next_transfers;
    bool controller_stuck = false;
    // When not empty, control reads return these, front first.
    std::deque<std::uint32_t> control_read_values;
    // Status bytes that show write-in-progress (wip_status_reads more of
    // them, or every one when flash_stuck).
    std::uint32_t wip_status_reads = 0;
    bool flash_stuck = false;

    bool same_power_on(const flash_setup& other) const;
};

class flash_bench {
public:
    flash_bench();
    ~flash_bench();
    flash_bench(const flash_bench&) = delete;
    flash_bench& operator=(const flash_bench&) = delete;

    flash_setup& setup() { return setup_; }

    // Powers the adapter on again when its power-on state differs from the
    // one it was powered on with, or the flash from what flash.bin holds.
    void sync();
    // sync(), then an empty record and the scripted failures counted from 0.
    void clear_log();

    // Every request and sleep since clear_log(), in order.
    std::vector<recorded_request> requests;
    std::vector<recorded_transfer> transfers() const { return decode_requests(requests).transfers(); }
    std::vector<flash_command> commands() const { return decode_requests(requests).commands(); }
    std::vector<std::uint32_t> sleeps() const { return sleeps_in(requests); }
    std::size_t count(recorded_kind kind) const { return count_of(requests, kind); }

    // Page programs and sector erases sent (after a write enable, ended).
    int programs() const;
    int erases() const;
    // The flash is still selected after the last transfer.
    bool flash_selected() const;
    // What flash.bin holds now.
    std::vector<std::uint8_t> flash() const;

private:
    void power_on();
    interposer_action before(interposed_request& r);
    void after_read(interposed_request& r);
    void record(recorded_kind kind, std::uint32_t offset, std::uint32_t value, std::uint32_t error);

    emulator_sandbox box_;
    emulator_interposer emulator_;
    flash_setup setup_;
    flash_setup powered_;
    bool powered_once_ = false;
    std::uint64_t requests_seen_ = 0;
    flash_wire_decoder live_;  // follows the record, for the status bytes
};

class flash_bench_test : public ::testing::Test {
protected:
    void SetUp() override { bench.clear_log(); }

    flash_setup& hw() { return bench.setup(); }

    // The result of call() and everything it wrote to standard error.
    template <typename Call>
    std::pair<int, std::string> run(Call call) {
        bench.sync();
        ::testing::internal::CaptureStderr();
        const int result = call();
        return {result, ::testing::internal::GetCapturedStderr()};
    }

    // The operation words of the transfers, in order.
    std::vector<std::uint32_t> operations() const {
        std::vector<std::uint32_t> words;
        for (const recorded_transfer& t : bench.transfers()) {
            words.push_back(t.operation);
        }
        return words;
    }

    flash_bench bench;
};

// The lines the controller layer prints.
inline const std::string kBusyLine = "ERROR: adapter serial flash controller busy!\n";
inline const std::string kTimeoutLine = "ERROR: timed out waiting for serial flash to complete command!\n";
inline const std::string kReadFailedLine = "ERROR: could not read from serial flash!\n";
inline const std::string kWriteFailedLine = "ERROR: write to serial flash failed!\n";
