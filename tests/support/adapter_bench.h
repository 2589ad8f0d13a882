// One emulated adapter in this process, for the tests below the binary: the
// emulator's model (flash controller, SPI NOR flash, configuration space and
// VPD capability) behind a transport that passes every request on to the
// emulator's transport, records every request and sleep in order (sleeps
// pass on the model clock, costing no time but moving the flash's busy time
// on as in a real run) and gives the scripted answers the model has no fault for,
// on exactly the request or transfer a test picks. One bench at a time: it puts
// its transport in place of the platform's while it lives.
//
// What the adapter holds at power-on (the contents, with the emulator's own
// faults file) is set in setup() and takes effect when the adapter is
// powered on: at power_on(), and at sync(), clear_log() and run() when it
// changed.
#pragma once

#include "device/adapter_table.h"
#include "device/transport.h"
#include "emulator/model/emulator_trace.h"
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"
#include "support/recorded_request.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A fault on one transfer: the occurrence-th transfer (1 the first) started
// with this operation word while the data register holds data.
struct transfer_fault {
    enum class effect {
        sends_instead,     // the flash gets value instead of data (a write enable sent as write disable)
        controller_hangs,  // the controller ignores the transfer and reports busy from then on
        status_busy,       // the next value status bytes show write-in-progress
        refused,           // the driver refuses the request that starts it: the flash never sees it
    };
    std::uint32_t operation;
    std::uint32_t data;
    int occurrence;
    effect what;
    std::uint32_t value = 0;
};

// The status polls after the page program of this address all read busy.
inline transfer_fault busy_after_page_program(std::uint32_t address) {
    return {flash_wire::kWriteFourKeep, flash_wire::command_word(flash_wire::kPageProgram, address), 1,
            transfer_fault::effect::status_busy, 5};
}
// The n-th write enable reaches the flash as write disable: the command
// after it silently does not take.
inline transfer_fault dropped_write_enable(int n) {
    return {flash_wire::kWriteOneEnd, flash_wire::kWriteEnable, n, transfer_fault::effect::sends_instead,
            flash_wire::kWriteDisable};
}

// The n-th sector erase of this address never reaches the flash.
inline transfer_fault refused_sector_erase(std::uint32_t address, int n = 1) {
    return {flash_wire::kWriteFourEnd, flash_wire::command_word(flash_wire::kSectorErase, address), n,
            transfer_fault::effect::refused};
}

struct bench_setup : adapter_contents {
    // Power-on state beside the contents: a write enable is sent at power-on.
    bool write_enabled = false;

    // Scripted answers, given in the adapter's place.
    // Requests fail with fail_error once fail_after have gone through, as
    // many as failures.
    std::uint32_t fail_error = 0;
    std::uint64_t fail_after = 0;
    std::uint64_t failures = ~0ull;
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
    std::vector<transfer_fault> transfer_faults;

    // Configuration reads at these offsets fail with kErrorGenFailure.
    std::set<std::uint32_t> failing_config_reads;
    // The VPD capability's registers, at vpd_at (0: nothing scripted): the
    // data register read after the n-th VPD read started (1 the first)
    // fails for each n listed; from the read vpd_stuck_from on its flag never
    // comes; writes to the data register may not stick.
    std::uint8_t vpd_at = 0;
    std::set<std::uint64_t> failing_vpd_data_reads;
    std::uint64_t vpd_stuck_from = 0;
    bool vpd_data_drops_writes = false;
};

class adapter_bench {
public:
    adapter_bench();
    ~adapter_bench();
    adapter_bench(const adapter_bench&) = delete;
    adapter_bench& operator=(const adapter_bench&) = delete;

    bench_setup& setup() { return setup_; }
    const emulator_sandbox& box() const { return box_; }

    // Powers the adapter on from setup() (closing every handle, enumerating
    // anew) and empties the record. Returns the number of adapters found.
    int power_on();
    // Powers the adapter on again when its contents differ from what it
    // was powered on with, or the flash from what flash.bin holds.
    void sync();
    // sync(), then an empty record and the scripted failures counted from 0.
    void clear_log();

    // Every request and sleep since the record was last emptied, in order.
    std::vector<recorded_request> requests;
    std::vector<recorded_transfer> transfers() const { return decode_requests(requests).transfers(); }
    std::vector<flash_command> commands() const { return decode_requests(requests).commands(); }
    std::vector<std::uint32_t> sleeps() const { return sleeps_in(requests); }
    std::size_t count(recorded_kind kind) const { return count_of(requests, kind); }
    std::uint64_t vpd_reads_started = 0;

    // Page programs and sector erases sent (after a write enable, ended).
    int programs() const;
    int erases() const;
    // The flash is still selected after the last transfer.
    bool flash_selected() const;
    // What flash.bin holds now.
    bytes flash() const;

    // A register or configuration request on its way, for the transport.
    struct request {
        device_handle handle;
        traced_request kind;
        std::uint32_t offset;
        std::uint32_t value;  // the value to write; after a read, the value read
    };
    enum class action { forward, answer, fail };
    // Sees every request before it goes on: it is forwarded (a write with
    // r.value), answered here (a read yielding r.value) or failed.
    action before(request& r);
    // Sees every request the emulator was given, with the error it failed
    // with; may change what a read yields.
    void after(request& r, std::uint32_t error);
    const transport_ops* emulator() const { return emulator_; }
    std::uint32_t fail_error() const { return fail_error_; }

private:
    void forget();
    // Whether the request starting the transfer is refused.
    bool start_transfer(request& r);
    void record(const request& r, std::uint32_t error);

    emulator_sandbox box_;
    const transport_ops* emulator_;
    transport_ops ops_;
    std::uint32_t fail_error_ = 0;
    bench_setup setup_;
    bench_setup powered_;
    bool powered_once_ = false;
    std::uint64_t requests_seen_ = 0;
    std::uint64_t failed_ = 0;
    std::vector<int> transfer_faults_seen_;
    flash_wire_decoder live_;  // follows the record, for the status bytes and the transfers
};

struct captured_output {
    std::string out;
    std::string err;
};

// Runs operation and returns what it printed on standard output and error.
template <typename Operation>
captured_output capture_output(Operation operation) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    operation();
    std::fflush(stdout);
    std::fflush(stderr);
    captured_output result;
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
}

class adapter_bench_test : public ::testing::Test {
protected:
    void SetUp() override { bench.clear_log(); }

    bench_setup& hw() { return bench.setup(); }

    // sync(), then the result of call() and everything it wrote to standard error.
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

    adapter_bench bench;
};

// A controller that is busy for busy_now control reads, then for the counts
// of busy_after at the next transfers; the call then ends with code and
// prints lines.
struct scripted_busy {
    const char* name;
    std::uint32_t busy_now;
    std::deque<std::uint32_t> busy_after;
    int code;
    std::string lines;
    void apply(bench_setup& setup) const {
        setup = bench_setup{};
        setup.busy_reads = busy_now;
        setup.busy_reads_next_transfers = busy_after;
    }
};

// The lines the controller layer prints.
inline const std::string kBusyLine = "ERROR: adapter serial flash controller busy!\n";
inline const std::string kTimeoutLine = "ERROR: timed out waiting for serial flash to complete command!\n";
inline const std::string kReadFailedLine = "ERROR: could not read from serial flash!\n";
inline const std::string kWriteFailedLine = "ERROR: write to serial flash failed!\n";
