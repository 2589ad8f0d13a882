// The inventory's configuration traffic against one emulated adapter in this
// process: the emulator's own configuration space and VPD capability behind
// the interposer, which records every configuration request and sleep in
// order (sleeps are not spent) and gives the scripted answers the model has
// no fault for, on exactly the request a test picks.
//
// The adapter's power-on state (configuration space, VPD, faults file) is
// set in adapter before open().
#pragma once

#include "support/adapter_contents.h"
#include "support/emulator_interposer.h"
#include "support/emulator_sandbox.h"
#include "support/recorded_request.h"

#include <cstdint>
#include <set>
#include <vector>

struct vpd_script {
    // Configuration reads at these offsets fail with 31, as a driver refuses them.
    std::set<std::uint32_t> failing_config_reads;
    // The data register read after the n-th VPD read started (1 the first)
    // fails for each n listed.
    std::set<std::uint64_t> failing_data_reads;
    // From this VPD read on (1 the first) its flag never comes.
    std::uint64_t stuck_from_read = 0;
    // Writes to the data register do not stick.
    bool data_register_drops_writes = false;
};

class vpd_bench {
public:
    vpd_bench();
    ~vpd_bench();
    vpd_bench(const vpd_bench&) = delete;
    vpd_bench& operator=(const vpd_bench&) = delete;

    adapter_contents adapter;
    vpd_script script;
    // Where the VPD capability sits, for the scripted answers about its registers.
    std::uint8_t vpd_at = 0;

    // Powers the adapter on from adapter (enumerate_adapters()), then an
    // empty record. Returns the number of adapters found.
    int open();
    void clear_log();

    // Every configuration request and sleep since open() or clear_log(), in order.
    std::vector<recorded_request> requests;
    std::uint64_t vpd_reads_started = 0;

private:
    interposer_action before(interposed_request& r);

    emulator_sandbox box_;
    emulator_interposer emulator_;
};
