// A fake adapter driver for tests that must see the exact traffic: it takes
// the platform transport's place (set_transport_for_testing), presents a
// number of adapters, records every driver request and every sleep in the
// order issued, and behaves like just enough hardware to script a case:
//
// - a flash controller whose control register reads busy a given number of
//   times after each transfer starts (or always), in front of a small SPI NOR
//   model: write enable, fast read (with its dummy byte), page program,
//   sector erase and read status, on a 512 KiB array;
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

#include "support/flash_wire.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <set>
#include <vector>

enum class recorded_kind { register_read, register_write, config_read, config_write, sleep };

struct recorded_request {
    recorded_kind kind;
    int adapter;           // the adapter the handle belongs to; -1 for a sleep
    std::uint32_t offset;  // register or configuration offset; for a sleep the milliseconds
    std::uint32_t value;   // the value written, or the value the read returned (0 when it failed)
    std::uint32_t error;   // 0, or the error number the request failed with

    bool operator==(const recorded_request&) const = default;
};

// Shorthands for building expected traffic.
recorded_request reg_read_of(std::uint32_t offset, std::uint32_t returned, int adapter = 0);
recorded_request reg_write_of(std::uint32_t offset, std::uint32_t value, int adapter = 0);
recorded_request sleep_of(std::uint32_t milliseconds);
recorded_request config_read_of(std::uint32_t offset, std::uint32_t returned, int adapter = 0);
recorded_request config_write_of(std::uint32_t offset, std::uint32_t value, int adapter = 0);

// gtest prints mismatches with this.
void PrintTo(const recorded_request& request, std::ostream* os);

// One flash controller transfer, as the decoder rebuilds it.
using recorded_transfer = flash_transfer;

inline constexpr std::uint32_t kFakeFlashSize = 0x80000;

struct fake_adapter {
    // Enumeration: a non-zero error number makes the open of this adapter fail.
    std::uint32_t open_error = 0;

    // Request failures: every request (of kind fail_kind, when fail_only_kind
    // is set) fails with fail_error once fail_after requests have succeeded.
    std::uint32_t fail_error = 0;
    std::uint64_t fail_after = 0;
    bool fail_only_kind = false;
    recorded_kind fail_kind = recorded_kind::register_read;

    // Flash controller busy flag: busy_reads is how many more control
    // register reads show busy. Each transfer started reloads it from
    // busy_reads_next_transfers (front first) or, when that is empty, from
    // busy_reads_per_transfer. controller_stuck: always busy. As on the
    // hardware, an operation word written while busy is ignored.
    std::uint32_t busy_reads = 0;
    std::uint32_t busy_reads_per_transfer = 0;
    std::deque<std::uint32_t> busy_reads_next_transfers;
    bool controller_stuck = false;
    // When not empty, control register reads return these values, front
    // first, whatever the busy counts say (for sequences they cannot express).
    std::deque<std::uint32_t> control_read_values;

    // The serial flash. wip_status_reads: how many more status reads show
    // write-in-progress; a page program or sector erase sets it from the two
    // counts below. flash_stuck: write-in-progress never clears. While the
    // flash is busy it ignores every command but read status.
    std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(kFakeFlashSize, 0xFF);
    std::uint32_t wip_status_reads = 0;
    std::uint32_t wip_reads_after_program = 0;
    std::uint32_t wip_reads_after_erase = 0;
    bool flash_stuck = false;
    bool write_enabled = false;
    int programs = 0;  // page programs carried out
    int erases = 0;    // sector erases carried out

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

    // The controller's view of the current flash command (kept by the fake).
    std::uint32_t data_register = 0;
    bool selected = false;
    std::vector<std::uint8_t> command;  // bytes sent since the flash was selected
    std::uint32_t bytes_received = 0;   // bytes clocked in since then
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

    // The flash controller transfers of one adapter, in order.
    std::vector<recorded_transfer> transfers(int adapter = 0) const;
    // The milliseconds of every sleep, in order.
    std::vector<std::uint32_t> sleeps() const;
    std::size_t count(recorded_kind kind) const;
    void clear_log() { requests.clear(); }

    // For the transport functions; not for tests.
    std::vector<fake_adapter>& adapters() { return adapters_; }

private:
    std::vector<fake_adapter> adapters_;
};
