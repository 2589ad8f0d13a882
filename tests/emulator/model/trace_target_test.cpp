// Where the trace goes when one process opens adapters run after run, as a
// test binary or the virtual driver's host does: each run follows the
// HBAEMU_TRACE it set, before the open or between the open and the first
// request.
#include "emulator/model/adapter_session.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct trace_run {
    const char* trace;  // HBAEMU_TRACE: a file in the root, "" as set empty, nullptr as unset
    bool set_after_open;
};

constexpr trace_run kRuns[] = {
    {"first.log", false}, {nullptr, false},    {"second.log", true},
    {"", false},          {"first.log", true}, {"third.log", false},
};

TEST(TraceTarget, EveryRunOfOneProcessTracesToTheFileItsEnvironmentNamed) {
    emulator_sandbox box;
    box.add_blank_adapter("adapter00");
    std::uint64_t requests = 0;
    for (std::size_t i = 0; i < std::size(kRuns); ++i) {
        const trace_run& run = kRuns[i];
        const auto point_trace = [&] {
            if (run.trace == nullptr) {
                unsetenv("HBAEMU_TRACE");
            } else {
                setenv("HBAEMU_TRACE", *run.trace == '\0' ? "" : box.folder(run.trace).c_str(), 1);
            }
        };
        if (!run.set_after_open) {
            point_trace();
        }
        adapter_session session;
        std::string problems;
        ASSERT_EQ(adapter_session_open(box.folder("adapter00"), "adapter00", &requests, &session, &problems), 0u);
        if (run.set_after_open) {
            point_trace();
        }
        std::uint32_t value = 0;
        // The offset says which run the line belongs to.
        adapter_session_request(&session, traced_request::register_read, static_cast<std::uint32_t>(i), 0, &value);
        adapter_session_close(&session);
    }
    unsetenv("HBAEMU_TRACE");
    EXPECT_EQ(box.read_text("first.log"),
              "adapter00 regread 0x00000000 -> 0x00000000\nadapter00 regread 0x00000004 -> 0x00000000\n");
    EXPECT_EQ(box.read_text("second.log"), "adapter00 regread 0x00000002 -> 0x00000000\n");
    EXPECT_EQ(box.read_text("third.log"), "adapter00 regread 0x00000005 -> 0x00000000\n");
}

}  // namespace
