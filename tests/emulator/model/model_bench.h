// A bench for the hardware model: an adapter folder in a private emulator
// root, opened with the model alone (no transport, no utility), and the
// flash controller driven register by register as a driver would.
#pragma once

#include "emulator/model/adapter_model.h"
#include "emulator/model/model_clock.h"
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"

#include <cstdint>
#include <string>
#include <vector>

using flash_wire::kControlRegister;
using flash_wire::kDataRegister;
using flash_wire::operation_word;
inline constexpr std::uint32_t kBusyBit = flash_wire::kControlBusy;

struct model_bench {
    emulator_sandbox sandbox;
    std::string folder;
    adapter_model* model = nullptr;

    // A blank adapter (erased flash, zeroed VPD, no capabilities) named
    // adapter00, its busy times on the clock chosen (the model's own unless
    // a test needs real time).
    explicit model_bench(emulator_clock clock = emulator_clock::model);
    ~model_bench();
    model_bench(const model_bench&) = delete;
    model_bench& operator=(const model_bench&) = delete;

    // (Re)opens the adapter with these faults; false when the model refuses.
    bool open(const emulator_faults& faults = {});
    void close();

    // One transfer: data register first, then the operation word, then the
    // control register read until it reads idle (at most max_polls reads).
    // Returns the number of busy reads seen.
    std::uint32_t write_transfer(std::uint32_t bytes, std::uint32_t count, bool keep_selected);
    std::uint32_t read_transfer(std::uint32_t count, bool keep_selected, std::uint32_t* received);

    // A whole command: bytes sent, then `read_count` bytes received; the
    // last transfer ends the command unless keep_selected.
    std::vector<std::uint8_t> command(const std::vector<std::uint8_t>& sent, std::size_t read_count = 0,
                                      bool keep_selected = false);

    std::uint8_t status();
    void write_enable();
    void program(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
    void erase(std::uint32_t address);
    std::vector<std::uint8_t> fast_read(std::uint32_t address, std::size_t count);

    std::vector<std::uint8_t> flash_file() const;
    std::vector<std::uint8_t> vpd_file() const;
};

// Command bytes with a 3-byte address, most significant first.
std::vector<std::uint8_t> with_address(std::uint8_t opcode, std::uint32_t address);
