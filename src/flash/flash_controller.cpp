// Single transfers through the flash controller: wait for it to go idle,
// clock bytes in from the flash, send bytes out to it.
//
// Every transfer checks the busy flag before it starts anything, because the
// controller ignores an operation word written while a transfer is running;
// starting blind would lose the transfer without a trace.
#include "flash/flash_controller.h"
#include "flash/flash_wire_format.h"

#include "device/adapter_access.h"

#include <cstdio>

namespace {

// A transfer takes microseconds; five looks 10 ms apart are ample, and a
// controller still busy after ~40 ms is wedged rather than slow.
constexpr int kIdlePollAttempts = 5;
constexpr std::uint32_t kIdlePollIntervalMs = 10;

bool byte_count_valid(std::uint32_t byte_count) {
    return byte_count >= 1 && byte_count <= kFlashMaxTransferBytes;
}

// True (with the line printed) when a transfer is still running, so that a
// new operation word must not be written.
bool controller_busy(std::uint8_t adapter) {
    if ((reg_read(adapter, kFlashControlRegister) & kFlashControlBusy) != 0) {
        std::fprintf(stderr, "ERROR: adapter serial flash controller busy!\n");
        return true;
    }
    return false;
}

}  // namespace

int flash_wait_idle(std::uint8_t adapter) {
    for (int attempt = 1;; ++attempt) {
        // A failed register read yields 0 and so counts as idle; the
        // register-access line is then the only sign of it.
        if ((reg_read(adapter, kFlashControlRegister) & kFlashControlBusy) == 0) {
            return kFlashOk;
        }
        if (attempt == kIdlePollAttempts) {
            std::fprintf(stderr, "ERROR: timed out waiting for serial flash to complete command!\n");
            return kFlashWriteIncomplete;
        }
        adapter_sleep_ms(kIdlePollIntervalMs);
    }
}

int flash_read_op(std::uint8_t adapter, std::uint32_t byte_count, std::uint32_t continue_flag, std::uint32_t* word) {
    // The count field of the operation word is two bits wide; an out-of-range
    // count would silently become some other transfer length.
    if (!byte_count_valid(byte_count)) {
        std::fprintf(stderr, "ERROR: wrong byte count of %d to read!\n", static_cast<int>(byte_count));
        return kFlashBadArgument;
    }
    if (controller_busy(adapter)) {
        return kFlashControllerBusy;
    }
    reg_write(adapter, kFlashControlRegister, flash_operation_word(false, byte_count, continue_flag));
    if (flash_wait_idle(adapter) != kFlashOk) {
        std::fprintf(stderr, "ERROR: could not read from serial flash!\n");
        return kFlashReadIncomplete;
    }
    // The received bytes sit in wire order from bit 0 up; no swapping.
    *word = reg_read(adapter, kFlashDataRegister);
    return kFlashOk;
}

int flash_write_op(std::uint8_t adapter, std::uint32_t byte_count, std::uint32_t continue_flag, std::uint32_t word) {
    if (!byte_count_valid(byte_count)) {
        std::fprintf(stderr, "ERROR: wrong byte count of %d to write!\n", static_cast<int>(byte_count));
        return kFlashBadArgument;
    }
    if (controller_busy(adapter)) {
        return kFlashControllerBusy;
    }
    // The operation word starts the transfer at once, so the bytes to send
    // must already be in the data register.
    reg_write(adapter, kFlashDataRegister, word);
    reg_write(adapter, kFlashControlRegister, flash_operation_word(true, byte_count, continue_flag));
    const int waited = flash_wait_idle(adapter);
    if (waited != kFlashOk) {
        std::fprintf(stderr, "ERROR: write to serial flash failed!\n");
        return waited;
    }
    return kFlashOk;
}
