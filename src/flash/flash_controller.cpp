// Single transfers through the flash controller: wait for it to go idle,
// clock bytes in from the flash, send bytes out to it.
//
// Every transfer checks the busy flag before it starts anything, because the
// controller ignores an operation word written while a transfer is running;
// starting blind would lose the transfer without a trace.
#include "flash/flash_controller.h"
#include "flash/flash_wire_format.h"

#include "device/driver_requests.h"

#include <cstdio>

namespace {

// A transfer takes microseconds; five looks 10 ms apart are ample, and a
// controller still busy after ~40 ms is wedged rather than slow.
constexpr int kIdlePollAttempts = 5;
constexpr std::uint32_t kIdlePollIntervalMs = 10;

bool byte_count_valid(std::uint32_t byte_count) {
    return byte_count >= 1 && byte_count <= kFlashMaxTransferBytes;
}

// A failed register read yields 0, which here would read as "idle" or as
// data. These say whether the driver actually carried the request out.
bool read_register(std::uint8_t adapter, std::uint32_t offset, std::uint32_t* value) {
    const std::uint32_t failed_before = adapter_failed_requests(adapter);
    *value = reg_read(adapter, offset);
    return adapter_failed_requests(adapter) == failed_before;
}

bool write_register(std::uint8_t adapter, std::uint32_t offset, std::uint32_t value) {
    const std::uint32_t failed_before = adapter_failed_requests(adapter);
    reg_write(adapter, offset, value);
    return adapter_failed_requests(adapter) == failed_before;
}

enum class controller_state { idle, busy, unreadable };

// Busy (with its line printed) when a transfer is still running, so that a
// new operation word must not be written; unreadable when the control
// register could not be read, which says nothing either way.
controller_state check_controller(std::uint8_t adapter) {
    std::uint32_t control = 0;
    if (!read_register(adapter, kFlashControlRegister, &control)) {
        return controller_state::unreadable;
    }
    if ((control & kFlashControlBusy) != 0) {
        std::fprintf(stderr, "ERROR: adapter serial flash controller busy!\n");
        return controller_state::busy;
    }
    return controller_state::idle;
}

int read_transfer_failed() {
    std::fprintf(stderr, "ERROR: could not read from serial flash!\n");
    return kFlashReadIncomplete;
}

int write_transfer_failed(int code) {
    std::fprintf(stderr, "ERROR: write to serial flash failed!\n");
    return code;
}

}  // namespace

int flash_wait_idle(std::uint8_t adapter) {
    for (int attempt = 1;; ++attempt) {
        // A read the driver refused is no sign of an idle controller: the
        // transfer may never have started, or may still run. The wait fails
        // at once; the register-access line has said why, and asking again
        // would only repeat it.
        std::uint32_t control = 0;
        if (!read_register(adapter, kFlashControlRegister, &control)) {
            return kFlashWriteIncomplete;
        }
        if ((control & kFlashControlBusy) == 0) {
            return kFlashOk;
        }
        if (attempt == kIdlePollAttempts) {
            std::fprintf(stderr, "ERROR: timed out waiting for serial flash to complete command!\n");
            return kFlashWriteIncomplete;
        }
        adapter_sleep_ms(kIdlePollIntervalMs);
    }
}

// Every request of a transfer must have been carried out for its bytes to
// count: a transfer stops at the first request the driver refused and fails
// as a transfer that did not complete.
int flash_read_op(std::uint8_t adapter, std::uint32_t byte_count, std::uint32_t continue_flag, std::uint32_t* word) {
    // The count field of the operation word is two bits wide; an out-of-range
    // count would silently become some other transfer length.
    if (!byte_count_valid(byte_count)) {
        std::fprintf(stderr, "ERROR: wrong byte count of %d to read!\n", static_cast<int>(byte_count));
        return kFlashBadArgument;
    }
    const controller_state state = check_controller(adapter);
    if (state == controller_state::busy) {
        return kFlashControllerBusy;
    }
    if (state == controller_state::unreadable ||
        !write_register(adapter, kFlashControlRegister, flash_operation_word(false, byte_count, continue_flag)) ||
        flash_wait_idle(adapter) != kFlashOk) {
        return read_transfer_failed();
    }
    // The received bytes sit in wire order from bit 0 up; no swapping.
    std::uint32_t received = 0;
    if (!read_register(adapter, kFlashDataRegister, &received)) {
        return read_transfer_failed();
    }
    *word = received;
    return kFlashOk;
}

int flash_write_op(std::uint8_t adapter, std::uint32_t byte_count, std::uint32_t continue_flag, std::uint32_t word) {
    if (!byte_count_valid(byte_count)) {
        std::fprintf(stderr, "ERROR: wrong byte count of %d to write!\n", static_cast<int>(byte_count));
        return kFlashBadArgument;
    }
    const controller_state state = check_controller(adapter);
    if (state == controller_state::busy) {
        return kFlashControllerBusy;
    }
    // The operation word starts the transfer at once, so the bytes to send
    // must already be in the data register. When that write was refused the
    // register still holds the bytes of an earlier transfer, and starting
    // the transfer would send those instead: it is not started.
    if (state == controller_state::unreadable || !write_register(adapter, kFlashDataRegister, word) ||
        !write_register(adapter, kFlashControlRegister, flash_operation_word(true, byte_count, continue_flag))) {
        return write_transfer_failed(kFlashWriteIncomplete);
    }
    const int waited = flash_wait_idle(adapter);
    if (waited != kFlashOk) {
        return write_transfer_failed(waited);
    }
    return kFlashOk;
}
