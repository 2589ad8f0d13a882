#include "emulator/model/spi_nor_flash.h"

#include "emulator/model/model_clock.h"
#include "emulator/model/spi_nor_commands.h"

#include <cstring>

namespace {

// What MISO reads while the part drives nothing: the line is pulled high.
constexpr std::uint8_t kFloatingBus = 0xFF;

void forget_command(spi_nor_flash* flash) {
    flash->opcode_seen = false;
    flash->command = nullptr;
    flash->address = 0;
    flash->address_bytes_seen = 0;
    flash->dummy_bytes_seen = 0;
    flash->data_bytes_seen = 0;
    std::memset(flash->page_buffer, 0xFF, sizeof flash->page_buffer);
    std::memset(flash->page_column_loaded, 0, sizeof flash->page_column_loaded);
}

// The first byte after select: decide whether the part will act on it.
void decode_opcode(spi_nor_flash* flash, std::uint8_t opcode) {
    flash->opcode_seen = true;
    const nor_command* command = find_nor_command(opcode);
    if (command == nullptr) {
        return;  // unknown: the rest of the select is ignored
    }
    // A part that is programming or erasing listens only to read status.
    if (opcode != kNorReadStatus && nor_busy(flash)) {
        return;
    }
    if (command->needs_write_enable && !flash->write_enable_latch) {
        return;
    }
    flash->command = command;
}

}  // namespace

void nor_attach(spi_nor_flash* flash, persistent_storage* cells, const nor_busy_timing& timing) {
    flash->cells = cells;
    flash->timing = timing;
    flash->selected = false;
    flash->write_enable_latch = false;
    flash->write_in_progress = false;
    flash->busy_status_reads_left = 0;
    forget_command(flash);
}

void nor_select(spi_nor_flash* flash) {
    if (!flash->selected) {
        flash->selected = true;
        forget_command(flash);
    }
}

std::uint8_t nor_exchange(spi_nor_flash* flash, std::uint8_t in) {
    if (!flash->selected) {
        return kFloatingBus;
    }
    if (!flash->opcode_seen) {
        decode_opcode(flash, in);
        return kFloatingBus;
    }
    const nor_command* command = flash->command;
    if (command == nullptr) {
        return kFloatingBus;
    }
    if (flash->address_bytes_seen < command->address_bytes) {
        flash->address = (flash->address << 8) | in;
        ++flash->address_bytes_seen;
        if (flash->address_bytes_seen == command->address_bytes) {
            flash->address %= kNorSize;  // the part decodes 19 address bits
        }
        return kFloatingBus;
    }
    if (flash->dummy_bytes_seen < command->dummy_bytes) {
        ++flash->dummy_bytes_seen;
        return kFloatingBus;
    }
    const std::uint8_t out = command->data_byte != nullptr ? command->data_byte(flash, in) : kFloatingBus;
    ++flash->data_bytes_seen;
    return out;
}

void nor_deselect(spi_nor_flash* flash) {
    if (!flash->selected) {
        return;
    }
    flash->selected = false;
    if (flash->command != nullptr && flash->command->on_deselect != nullptr) {
        flash->command->on_deselect(flash);
    }
    forget_command(flash);
}

bool nor_busy(spi_nor_flash* flash) {
    if (!flash->write_in_progress) {
        return false;
    }
    if (flash->timing.never_ready || flash->busy_status_reads_left > 0 || emulator_clock_now() < flash->busy_until) {
        return true;
    }
    flash->write_in_progress = false;
    return false;
}

std::uint8_t nor_read_status(spi_nor_flash* flash) {
    const bool busy = nor_busy(flash);
    if (busy && flash->busy_status_reads_left > 0) {
        --flash->busy_status_reads_left;
    }
    return static_cast<std::uint8_t>((busy ? kNorStatusWip : 0) | (flash->write_enable_latch ? kNorStatusWel : 0));
}

void nor_start_busy(spi_nor_flash* flash, std::uint32_t status_reads, std::chrono::microseconds time) {
    flash->write_in_progress = true;
    flash->busy_status_reads_left = status_reads;
    flash->busy_until = emulator_clock_now() + time;
}
