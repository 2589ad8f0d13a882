// A single adapter behind the recording driver, opened and with an empty
// log, plus a way to run one call and keep what it printed on stderr.
#pragma once

#include "device/adapter_table.h"
#include "flash/flash_controller.h"
#include "support/recording_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

inline constexpr std::uint32_t kControlBusyValue = flash_wire::kControlBusy;

class fake_flash_test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(enumerate_adapters(), 1);
        driver.clear_log();
    }

    fake_adapter& hw() { return driver.adapter(0); }

    // The result of call() and everything it wrote to standard error.
    template <typename Call>
    std::pair<int, std::string> run(Call call) {
        ::testing::internal::CaptureStderr();
        const int result = call();
        return {result, ::testing::internal::GetCapturedStderr()};
    }

    // The operation words of the transfers, in order.
    std::vector<std::uint32_t> operations() const {
        std::vector<std::uint32_t> words;
        for (const recorded_transfer& t : driver.transfers()) {
            words.push_back(t.operation);
        }
        return words;
    }

    recording_driver driver{1};
};

// The lines the controller layer prints.
inline const std::string kBusyLine = "ERROR: adapter serial flash controller busy!\n";
inline const std::string kTimeoutLine = "ERROR: timed out waiting for serial flash to complete command!\n";
inline const std::string kReadFailedLine = "ERROR: could not read from serial flash!\n";
inline const std::string kWriteFailedLine = "ERROR: write to serial flash failed!\n";
