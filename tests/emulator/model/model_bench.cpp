#include "model_bench.h"

#include <gtest/gtest.h>

namespace {

constexpr int kMaxIdlePolls = 1000;

std::uint32_t wait_idle(adapter_model* model) {
    std::uint32_t busy_reads = 0;
    for (int i = 0; i < kMaxIdlePolls; ++i) {
        if ((adapter_model_reg_read(model, kControlRegister) & kBusyBit) == 0) {
            return busy_reads;
        }
        ++busy_reads;
    }
    ADD_FAILURE() << "flash controller stayed busy";
    return busy_reads;
}

}  // namespace

model_bench::model_bench(emulator_clock clock) {
    emulator_clock_choose(clock);
    folder = sandbox.folder(sandbox.add_blank_adapter("adapter00"));
    open();
}

model_bench::~model_bench() {
    close();
}

bool model_bench::open(const emulator_faults& faults) {
    close();
    std::uint32_t error = 0;
    model = adapter_model_open(folder, faults, &error);
    return model != nullptr;
}

void model_bench::close() {
    adapter_model_close(model);
    model = nullptr;
}

std::uint32_t model_bench::write_transfer(std::uint32_t bytes, std::uint32_t count, bool keep_selected) {
    adapter_model_reg_write(model, kDataRegister, bytes);
    adapter_model_reg_write(model, kControlRegister, operation_word(true, count, keep_selected));
    return wait_idle(model);
}

std::uint32_t model_bench::read_transfer(std::uint32_t count, bool keep_selected, std::uint32_t* received) {
    adapter_model_reg_write(model, kControlRegister, operation_word(false, count, keep_selected));
    const std::uint32_t busy_reads = wait_idle(model);
    *received = adapter_model_reg_read(model, kDataRegister);
    return busy_reads;
}

std::vector<std::uint8_t> model_bench::command(const std::vector<std::uint8_t>& sent, std::size_t read_count,
                                               bool keep_selected) {
    for (std::size_t i = 0; i < sent.size(); i += 4) {
        const std::size_t count = std::min<std::size_t>(4, sent.size() - i);
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < count; ++k) {
            word |= static_cast<std::uint32_t>(sent[i + k]) << (8 * k);
        }
        const bool last = i + count == sent.size() && read_count == 0;
        write_transfer(word, static_cast<std::uint32_t>(count), !last || keep_selected);
    }
    std::vector<std::uint8_t> received;
    while (received.size() < read_count) {
        const std::size_t count = std::min<std::size_t>(4, read_count - received.size());
        const bool last = received.size() + count == read_count;
        std::uint32_t word = 0;
        read_transfer(static_cast<std::uint32_t>(count), !last || keep_selected, &word);
        for (std::size_t k = 0; k < count; ++k) {
            received.push_back(static_cast<std::uint8_t>(word >> (8 * k)));
        }
    }
    return received;
}

std::uint8_t model_bench::status() {
    return command({0x05}, 1)[0];
}

void model_bench::write_enable() {
    command({0x06});
}

void model_bench::program(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    write_enable();
    std::vector<std::uint8_t> sent = with_address(0x02, address);
    sent.insert(sent.end(), bytes.begin(), bytes.end());
    command(sent);
}

void model_bench::erase(std::uint32_t address) {
    write_enable();
    command(with_address(0xD8, address));
}

std::vector<std::uint8_t> model_bench::fast_read(std::uint32_t address, std::size_t count) {
    std::vector<std::uint8_t> sent = with_address(0x0B, address);
    sent.push_back(0x00);  // the dummy byte
    return command(sent, count);
}

std::vector<std::uint8_t> model_bench::flash_file() const {
    return sandbox.read_file("adapter00/flash.bin");
}

std::vector<std::uint8_t> model_bench::vpd_file() const {
    return sandbox.read_file("adapter00/vpd.bin");
}

std::vector<std::uint8_t> with_address(std::uint8_t opcode, std::uint32_t address) {
    return {opcode, static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address)};
}
