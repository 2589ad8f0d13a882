// A fake adapter driver for tests that must see the exact traffic: it takes
// the platform transport's place (set_transport_for_testing), presents a
// number of adapters, records every driver request and every sleep in the
// order issued, and answers from a script: just enough to stage a case of
// configuration space traffic.
//
// - registers read 0 and take every write (the flash is the emulator
//   model's: tests/flash/flash_bench.h drives it behind the interposer);
// - a 256-byte PCI configuration space per adapter, with reads that fail at
//   chosen offsets, an optional VPD capability in front of an 8 KB VPD store
//   (slow, stuck or failing on request), an optional queue of values and
//   hooks for whatever else a test needs behind it;
// - requests that fail with a given error number, from the first or after a
//   number that succeed.
//
// Sleeps are recorded, not spent, so polls cost no time.
//
// One recording_driver at a time. Construct it, script the adapters, call
// enumerate_adapters() to open them, run the code under test, then look at
// requests. The destructor closes the handle table and puts the platform
// transport back.
#pragma once

#include "support/recorded_request.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <set>
#include <vector>

struct fake_adapter {
    // Enumeration: a non-zero error number makes the open of this adapter fail.
    std::uint32_t open_error = 0;

    // Request failures: every request (of kind fail_kind, when fail_only_kind
    // is set) fails with fail_error once fail_after requests have succeeded.
    std::uint32_t fail_error = 0;
    std::uint64_t fail_after = 0;
    bool fail_only_kind = false;
    recorded_kind fail_kind = recorded_kind::register_read;

    // PCI configuration space. A read first asks config_read_hook (true:
    // *value is the answer), then takes the front of config_read_queue, then
    // reads config. A write first offers itself to config_write_hook (true:
    // consumed), else it is stored in config. Offsets beyond 252 fail with 87;
    // reads at an offset in failing_config_reads fail with 31, as a driver
    // refuses them. The capability list starts at 0x34.
    std::array<std::uint8_t, 256> config{};
    std::deque<std::uint32_t> config_read_queue;
    std::function<bool(std::uint32_t offset, std::uint32_t* value)> config_read_hook;
    std::function<bool(std::uint32_t offset, std::uint32_t value)> config_write_hook;
    std::set<std::uint32_t> failing_config_reads;
    // A capability entry: ID in byte 0, next pointer in byte 1.
    void add_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next);

    // The VPD capability at vpd_capability (0: none). Writing its address
    // register with the flag 0 starts a read of the dword at the address
    // (bits 16-28) of vpd; the flag then reads 0 vpd_busy_reads times before
    // the read completes, puts the dword in the data register and sets the
    // flag. The ID and next pointer bytes are read-only.
    std::uint8_t vpd_capability = 0;
    std::vector<std::uint8_t> vpd = std::vector<std::uint8_t>(8192, 0);
    std::uint32_t vpd_busy_reads = 0;
    bool vpd_stuck = false;                     // the flag never comes
    std::uint64_t vpd_stuck_from_read = 0;      // from this VPD read on (1 the first) the flag never comes
    bool vpd_data_register_keeps_zero = false;  // writes to the data register do not stick
    // The data register read after the n-th VPD read started (1 is the
    // first) fails for each n listed.
    std::set<std::uint64_t> failing_vpd_data_reads;
    std::uint64_t vpd_reads_started = 0;
    // Kept by the fake.
    std::uint32_t vpd_pending_busy_reads = 0;
    bool vpd_read_in_flight = false;

    // Kept by the fake.
    std::uint64_t request_count = 0;
};

class recording_driver {
public:
    explicit recording_driver(int adapter_count = 1);
    ~recording_driver();
    recording_driver(const recording_driver&) = delete;
    recording_driver& operator=(const recording_driver&) = delete;

    fake_adapter& adapter(int index) { return adapters_[static_cast<std::size_t>(index)]; }
    int adapter_count() const { return static_cast<int>(adapters_.size()); }

    // Every request and sleep, in order.
    std::vector<recorded_request> requests;

    // enumerate_adapters(), then an empty log: what a test does before the
    // code under test. Returns the number of adapters found.
    int open_adapters();

    void clear_log() { requests.clear(); }

    // For the transport functions; not for tests.
    std::vector<fake_adapter>& adapters() { return adapters_; }

private:
    std::vector<fake_adapter> adapters_;
};
