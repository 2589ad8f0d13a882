// The request trace: when HBAEMU_TRACE names a file, every request that
// reaches an emulated adapter appends one line to it, in the order issued.
#pragma once

#include <cstdint>
#include <string>

enum class traced_request { register_read, register_write, config_read, config_write };

// value is what a read returned (ignored for writes, and when error != 0).
void trace_request(const std::string& folder_name, traced_request request, std::uint32_t offset, std::uint32_t written,
                   std::uint32_t value, std::uint32_t error);

// HBAEMU_TRACE is looked up again at the next request, and the file reopened
// if it names another. Every open of an adapter calls it, so a change to the
// environment is seen from the first request after the next open on.
void trace_reread_environment();

// Closes the trace file; the next request opens the file HBAEMU_TRACE names
// then. For a process that serves many runs of the utility in turn (the
// virtual adapter driver's host), so that each run's trace goes to the file
// named for it, even one deleted and made anew in between.
void trace_restart();
