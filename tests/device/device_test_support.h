// In-process access to emulated adapters: points the emulator at a sandbox
// for the life of a test and leaves no handle open behind it.
#pragma once

#include "device/adapter_table.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <string>

class emulated_adapters_test : public ::testing::Test {
protected:
    void SetUp() override { box.use_in_this_process(); }

    // Runs enumerate_adapters and captures what it printed.
    std::uint8_t enumerate(std::string* out, std::string* err) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const std::uint8_t count = enumerate_adapters();
        *out = ::testing::internal::GetCapturedStdout();
        *err = ::testing::internal::GetCapturedStderr();
        return count;
    }

    emulator_sandbox box;
};

// Whether a second process could open the adapter in folder now: it sees the
// folder as the only adapter of a root of its own (through a link, so the
// adapter's files and lock are the same).
bool another_process_can_open(const std::string& folder);
