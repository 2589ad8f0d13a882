// In-process tests against one emulated adapter: the adapter folder lives in
// a private sandbox, requests pass through the emulator interposer (which
// skips the polls' sleeps, counts the flash commands and adds the flash
// faults of a plan), and what an operation prints is captured.
#pragma once

#include "device/adapter_table.h"
#include "support/adapter_contents.h"
#include "support/emulator_interposer.h"
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// Flash faults the emulator cannot stage, on one chosen transfer: a status
// register that keeps reporting write-in-progress after a page program, and
// a write enable that never reaches the flash, so that the command after it
// silently does not take.
struct flash_fault_plan {
    int busy_status_after_page = 0;  // 1-based page program whose status polls all read busy
    int dropped_write_enable = 0;    // 1-based write enable sent as write disable instead
};

struct flash_fault_counts {
    int requests = 0;
    int write_enables = 0;
    int page_programs = 0;
    int sector_erases = 0;
};

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

    void SetUp() override { box_.add_blank_adapter(kAdapter); }

    void TearDown() override {
        close_adapter_handles();
        emulator_.reset();
    }

    void write_flash(const std::vector<std::uint8_t>& flash) {
        box_.write_file(std::string(kAdapter) + "/flash.bin", flash);
    }

    std::vector<std::uint8_t> flash() const { return box_.read_file(std::string(kAdapter) + "/flash.bin"); }

    // Emulator faults of the adapter, one a line; read when it is opened.
    void write_faults(const std::string& lines) { box_.write_text(std::string(kAdapter) + "/faults", lines); }

    // Enumerates the sandbox's adapter as adapter 0, behind a fresh
    // interposer with the plan's faults and counts from zero.
    void open_adapter(const flash_fault_plan& plan = {}) {
        setenv("HBAEMU_DIR", box_.root().c_str(), 1);
        setenv("HBAEMU_TRACE", "", 1);
        emulator_.reset();
        emulator_.emplace();
        plan_ = plan;
        counts_ = {};
        wire_ = {};
        command_follows_write_enable_ = false;
        status_byte_pending_ = false;
        busy_status_reads_left_ = 0;
        emulator_->before = [this](interposed_request& r) { return watch(r); };
        emulator_->after_read = [this](interposed_request& r) { spoil_status(r); };
        ASSERT_EQ(enumerate_adapters(), 1);
    }

    // The requests since open_adapter and the flash commands among them.
    flash_fault_counts flash_counts() const {
        flash_fault_counts counts = counts_;
        counts.requests = emulator_ ? emulator_->requests : 0;
        return counts;
    }

    emulator_sandbox box_;

private:
    static constexpr int kStatusReadsPerPoll = 5;

    // Follows the traffic through the decoder, and classifies each transfer
    // a control register write starts: a write enable, or the command right
    // after one (a page program or a sector erase).
    interposer_action watch(const interposed_request& r) {
        if (r.kind != interposed_kind::register_write) {
            return interposer_action::forward;
        }
        wire_.register_written(r.offset, r.value);
        if (r.offset != flash_wire::kControlRegister) {
            return interposer_action::forward;
        }
        const flash_command& command = wire_.commands().back();
        const bool starts_command = command.transfers == 1;
        const bool is_write_enable =
            starts_command && command.ended && command.sent.size() == 1 && command.opcode() == flash_wire::kWriteEnable;
        if (is_write_enable) {
            ++counts_.write_enables;
            if (counts_.write_enables == plan_.dropped_write_enable) {
                emulator_->write_register(r.handle, flash_wire::kDataRegister, flash_wire::kWriteDisable);
            }
        } else if (starts_command && command_follows_write_enable_) {
            if (r.value == flash_wire::kWriteFourKeep && command.opcode() == flash_wire::kPageProgram) {
                ++counts_.page_programs;
                if (counts_.page_programs == plan_.busy_status_after_page) {
                    busy_status_reads_left_ = kStatusReadsPerPoll;
                }
            } else if (r.value == flash_wire::kWriteFourEnd && command.opcode() == flash_wire::kSectorErase) {
                ++counts_.sector_erases;
            }
        }
        command_follows_write_enable_ = is_write_enable;
        status_byte_pending_ = r.value == flash_wire::kReadOneEnd;
        return interposer_action::forward;
    }

    // The status byte of a poll after the chosen page program shows
    // write-in-progress.
    void spoil_status(interposed_request& r) {
        if (r.kind == interposed_kind::register_read && r.offset == flash_wire::kDataRegister && status_byte_pending_ &&
            busy_status_reads_left_ > 0) {
            --busy_status_reads_left_;
            r.value |= 1;
        }
    }

    std::optional<emulator_interposer> emulator_;
    flash_fault_plan plan_;
    flash_fault_counts counts_;
    flash_wire_decoder wire_;
    bool command_follows_write_enable_ = false;
    bool status_byte_pending_ = false;
    int busy_status_reads_left_ = 0;
};
