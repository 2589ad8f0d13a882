// One driver request (or sleep) as a test records it, in the order issued:
// the record the benches keep, and the shorthands for writing down
// expected traffic.
#pragma once

#include "support/flash_wire.h"

#include <cstdint>
#include <iosfwd>
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

// The flash traffic of one adapter's successful register requests.
flash_wire_decoder decode_requests(const std::vector<recorded_request>& requests, int adapter = 0);
// The milliseconds of every sleep, in order.
std::vector<std::uint32_t> sleeps_in(const std::vector<recorded_request>& requests);
std::size_t count_of(const std::vector<recorded_request>& requests, recorded_kind kind);
