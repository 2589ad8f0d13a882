#include "emulator/model/flash_controller_model.h"

namespace {

struct operation_fields {
    bool write;
    std::uint32_t byte_count;
    bool keep_selected;
};

// Bits of the operation word beyond 0-3 are ignored.
operation_fields decode_operation(std::uint32_t word) {
    return {(word & 0x1u) != 0, ((word >> 1) & 0x3u) + 1, (word & 0x8u) != 0};
}

// Clocks the transfer's bytes through the flash, first byte from bits 0-7.
void finish_transfer(flash_controller_model* controller) {
    controller->transfer_running = false;
    const operation_fields op = decode_operation(controller->running_operation);
    nor_select(controller->flash);
    std::uint32_t received = 0;
    for (std::uint32_t i = 0; i < op.byte_count; ++i) {
        // A read clocks out 0xFF on MOSI; the flash ignores it except as a
        // dummy or data byte.
        const std::uint8_t out = op.write ? static_cast<std::uint8_t>(controller->running_bytes >> (8 * i)) : 0xFF;
        const std::uint8_t in = nor_exchange(controller->flash, out);
        received |= static_cast<std::uint32_t>(in) << (8 * i);
    }
    if (!op.write) {
        controller->bytes_received = received;
    }
    if (!op.keep_selected) {
        nor_deselect(controller->flash);
    }
}

void start_transfer(flash_controller_model* controller, std::uint32_t operation) {
    if (controller->stuck_busy || controller->transfer_running) {
        return;  // the controller takes no new work while busy
    }
    controller->transfer_running = true;
    controller->running_operation = operation;
    controller->running_bytes = controller->bytes_to_send;
    controller->busy_reads_left = controller->busy_reads_per_transfer;
    if (controller->busy_reads_left == 0) {
        finish_transfer(controller);
    }
}

std::uint32_t read_control(flash_controller_model* controller) {
    if (controller->stuck_busy) {
        return kFlashControlBusy;
    }
    if (!controller->transfer_running) {
        return 0;
    }
    // This read still sees busy; the transfer ends with the last busy read,
    // so the next read finds it done and its bytes in the data register.
    if (--controller->busy_reads_left == 0) {
        finish_transfer(controller);
    }
    return kFlashControlBusy;
}

}  // namespace

void controller_attach(flash_controller_model* controller, spi_nor_flash* flash, std::uint32_t busy_reads_per_transfer,
                       bool stuck_busy) {
    *controller = flash_controller_model{};
    controller->flash = flash;
    controller->busy_reads_per_transfer = busy_reads_per_transfer;
    controller->stuck_busy = stuck_busy;
}

std::uint32_t controller_read_register(flash_controller_model* controller, std::uint32_t offset) {
    switch (offset) {
        case kFlashDataRegister: return controller->bytes_received;
        case kFlashControlRegister: return read_control(controller);
        default: return 0;
    }
}

void controller_write_register(flash_controller_model* controller, std::uint32_t offset, std::uint32_t value) {
    switch (offset) {
        case kFlashDataRegister: controller->bytes_to_send = value; break;
        case kFlashControlRegister: start_transfer(controller, value); break;
        default: break;
    }
}

void controller_power_down(flash_controller_model* controller) {
    if (controller->transfer_running && !controller->stuck_busy) {
        finish_transfer(controller);
    }
}
