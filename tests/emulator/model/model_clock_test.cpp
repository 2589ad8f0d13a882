// The clock a slow or stuck flash keeps, through the built binary: an erase
// of the settings sector polled at most five times 500 ms apart. On the model
// clock (HBAEMU_CLOCK=model) the polls see the erase end exactly where real
// time would have it end, and nothing waits; by default the flash keeps
// real time, as the emulator's users rely on.
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

struct clock_case {
    const char* clock;  // HBAEMU_CLOCK; empty as unset
    const char* fault;
    int status;
    std::vector<bool> polls_busy;  // what the erase's status polls read; not compared when empty
    int at_least_ms;               // the run's wall time bounds
    int below_ms;
    const char* err;
};

constexpr const char kUnknownClockLine[] =
    "hbaemu: HBAEMU_CLOCK \"fast\" is neither real nor model; the flash keeps real time\n";

const clock_case kCases[] = {
    {"model", "erase-time-ms 1900", 0, {true, true, true, true, false}, 0, 1900, ""},
    {"model", "erase-time-ms 3000", 255, {true, true, true, true, true}, 0, 2000, nullptr},
    {"", "erase-time-ms 700", 0, {}, 700, 60000, ""},
    // An unknown name is reported; the run goes on, in real time.
    {"fast", "erase-busy-polls 1", 0, {true, false}, 0, 60000, kUnknownClockLine},
};

// The status bytes of the read-status commands after the sector erase.
std::vector<bool> erase_polls(const std::string& trace) {
    std::vector<bool> busy;
    bool after_erase = false;
    const flash_wire_decoder decoded = decode_trace(trace);
    for (const flash_command& c : decoded.commands()) {
        if (c.opcode() == flash_wire::kSectorErase) {
            after_erase = true;
        } else if (after_erase && c.opcode() == flash_wire::kReadStatus && !c.received.empty()) {
            busy.push_back((c.received[0] & 0x01) != 0);
        }
    }
    return busy;
}

TEST(EmulatorClock, SlowEraseEndsAfterTheSamePollsOnTheModelClockWithoutWaiting) {
    for (const clock_case& c : kCases) {
        const std::string label = std::string("HBAEMU_CLOCK=") + c.clock + ", " + c.fault;
        emulator_sandbox box;
        box.add_blank_adapter("adapter00");
        box.write_text("adapter00/faults", std::string(c.fault) + "\n");
        const auto start = std::chrono::steady_clock::now();
        const run_result r =
            run_program(HBABOOTCFG_PATH, {"--erase", "0", "settings", "--force"},
                        {{"HBAEMU_DIR", box.root()}, {"HBAEMU_TRACE", box.trace_path()}, {"HBAEMU_CLOCK", c.clock}});
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(r.status, c.status) << label << "\n" << r.err;
        if (c.err != nullptr) {
            EXPECT_EQ(r.err, c.err) << label;
        }
        if (!c.polls_busy.empty()) {
            EXPECT_EQ(erase_polls(box.read_text("trace.log")), c.polls_busy) << label;
        }
        EXPECT_GE(ms, c.at_least_ms) << label;
        EXPECT_LT(ms, c.below_ms) << label;
    }
}

}  // namespace
