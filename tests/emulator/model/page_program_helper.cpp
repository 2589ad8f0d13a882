// A second process for the persistence tests: opens an adapter folder with
// the hardware model alone and programs flash pages the way a driver would,
// announcing each step on standard output so the test can kill it between
// steps.
//
//   page_program_helper FOLDER finish   program 0x30000, then 0x30100, close
//   page_program_helper FOLDER between  program 0x30000, announce, wait to be
//                                       killed, then program 0x30100
//   page_program_helper FOLDER open     program 0x30000, then leave a second
//                                       program command selected, announce, wait
#include "emulator/model/adapter_model.h"
#include "support/flash_wire.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr std::uint32_t kData = flash_wire::kDataRegister;
constexpr std::uint32_t kControl = flash_wire::kControlRegister;

void transfer(adapter_model* model, std::uint32_t bytes, std::uint32_t count, bool keep_selected) {
    adapter_model_reg_write(model, kData, bytes);
    adapter_model_reg_write(model, kControl, flash_wire::operation_word(true, count, keep_selected));
    while ((adapter_model_reg_read(model, kControl) & flash_wire::kControlBusy) != 0) {
    }
}

// Write enable, the program command, 256 bytes of fill; the last transfer
// ends the command unless leave_open.
void program_page(adapter_model* model, std::uint32_t address, std::uint8_t fill, bool leave_open) {
    transfer(model, 0x06, 1, false);
    const std::uint32_t command =
        0x02u | ((address >> 16) & 0xFF) << 8 | ((address >> 8) & 0xFF) << 16 | (address & 0xFF) << 24;
    transfer(model, command, 4, true);
    const std::uint32_t word = fill * 0x01010101u;
    for (int i = 0; i < 64; ++i) {
        transfer(model, word, 4, i < 63 || leave_open);
    }
}

void announce(const char* step) {
    std::printf("%s\n", step);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: page_program_helper FOLDER finish|between|open\n");
        return 2;
    }
    const std::string mode = argv[2];
    std::uint32_t error = 0;
    adapter_model* model = adapter_model_open(argv[1], emulator_faults{}, &error);
    if (model == nullptr) {
        std::fprintf(stderr, "cannot open %s: %u\n", argv[1], error);
        return 1;
    }
    program_page(model, 0x30000, 0x11, false);
    if (mode == "between") {
        announce("first page programmed");
        std::this_thread::sleep_for(std::chrono::seconds(30));
    }
    program_page(model, 0x30100, 0x22, mode == "open");
    if (mode == "open") {
        announce("second program command open");
        std::this_thread::sleep_for(std::chrono::seconds(30));
    }
    adapter_model_close(model);
    announce("done");
    return 0;
}
