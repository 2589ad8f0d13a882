// A test with one emulated adapter, adapter00, whose flash the test writes
// and reads back whole around a run of the built binary.
#pragma once

#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class one_adapter_test : public ::testing::Test {
protected:
    void SetUp() override { box.add_blank_adapter("adapter00"); }
    void write_flash(const std::vector<std::uint8_t>& flash) { box.write_file("adapter00/flash.bin", flash); }
    std::vector<std::uint8_t> flash() const { return box.read_file("adapter00/flash.bin"); }
    emulator_sandbox box;
};
