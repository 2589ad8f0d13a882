// In-process tests against one emulated adapter: the adapter folder lives in
// a private sandbox, requests pass through the flash fault transport (which
// skips the polls' sleeps), and what an operation prints is captured.
#pragma once

#include "device/adapter_access.h"
#include "settings/flash_contents.h"
#include "settings/flash_fault_transport.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct captured_output {
    std::string out;
    std::string err;
};

// Runs operation and returns what it printed on standard output and error.
template <typename Operation>
captured_output capture_output(Operation operation) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    operation();
    std::fflush(stdout);
    std::fflush(stderr);
    captured_output result;
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

class EmulatedAdapterTest : public ::testing::Test {
protected:
    static constexpr const char* kAdapter = "adapter00";

    void SetUp() override {
        box_.add_blank_adapter(kAdapter);
    }

    void TearDown() override {
        close_adapter_handles();
        remove_flash_fault_transport();
    }

    void write_flash(const std::vector<std::uint8_t>& flash) {
        box_.write_file(std::string(kAdapter) + "/flash.bin", flash);
    }

    std::vector<std::uint8_t> flash() const {
        return box_.read_file(std::string(kAdapter) + "/flash.bin");
    }

    // Emulator faults of the adapter, one a line; read when it is opened.
    void write_faults(const std::string& lines) {
        box_.write_text(std::string(kAdapter) + "/faults", lines);
    }

    // Enumerates the sandbox's adapter as adapter 0.
    void open_adapter(const flash_fault_plan& plan = {}) {
        setenv("HBAEMU_DIR", box_.root().c_str(), 1);
        setenv("HBAEMU_TRACE", "", 1);
        install_flash_fault_transport(plan);
        ASSERT_EQ(enumerate_adapters(), 1);
    }

    emulator_sandbox box_;
};
