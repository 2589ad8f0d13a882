// Each command in a few lines; the byte sequencing (opcode, address, dummy,
// data) and the rules that apply to all of them (ignored while busy, ignored
// without write enable) live in spi_nor_flash.cpp.
#include "emulator/model/spi_nor_commands.h"

#include <chrono>
#include <cstring>

namespace {

// Read and fast read: one byte per clocked byte, from the address on, rolling
// over from the last byte of the part to the first.
std::uint8_t read_data_byte(spi_nor_flash* flash, std::uint8_t) {
    const std::uint8_t out = flash->cells->bytes[flash->address];
    flash->address = (flash->address + 1) % kNorSize;
    return out;
}

// Read status: the register again for every byte, so a controller may poll
// within one command.
std::uint8_t status_byte(spi_nor_flash* flash, std::uint8_t) {
    return nor_read_status(flash);
}

std::uint8_t jedec_id_byte(spi_nor_flash* flash, std::uint8_t) {
    return kNorJedecId[flash->data_bytes_seen % sizeof kNorJedecId];
}

// Page program loads the page buffer; the column wraps within the page.
std::uint8_t program_data_byte(spi_nor_flash* flash, std::uint8_t in) {
    const std::uint32_t column = (flash->address + flash->data_bytes_seen) % kNorPageSize;
    flash->page_buffer[column] = in;
    flash->page_column_loaded[column] = true;
    return 0xFF;
}

// Single-byte commands take effect only when chip select rises right after
// the opcode; further bytes cancel them.
bool only_opcode(const spi_nor_flash* flash) {
    return flash->address_bytes_seen == 0 && flash->data_bytes_seen == 0;
}

void write_enable(spi_nor_flash* flash) {
    if (only_opcode(flash)) {
        flash->write_enable_latch = true;
    }
}

void write_disable(spi_nor_flash* flash) {
    if (only_opcode(flash)) {
        flash->write_enable_latch = false;
    }
}

// NOR cells can only be charged from 1 to 0 by a program: each loaded column
// becomes old AND new. A program cut short before its address, or one with no
// data, does nothing and keeps the latch.
void program_page(spi_nor_flash* flash) {
    if (flash->address_bytes_seen < 3 || flash->data_bytes_seen == 0) {
        return;
    }
    const std::uint32_t page = flash->address - flash->address % kNorPageSize;
    std::uint8_t* cells = flash->cells->bytes.data() + page;
    for (std::uint32_t column = 0; column < kNorPageSize; ++column) {
        if (flash->page_column_loaded[column]) {
            cells[column] &= flash->page_buffer[column];
        }
    }
    storage_write_through(flash->cells, page, kNorPageSize);
    flash->write_enable_latch = false;
    nor_start_busy(flash, flash->timing.program_status_reads, std::chrono::microseconds(flash->timing.program_time_us));
}

// Sector erase sets every bit of the 64 KiB sector that holds the address.
// Like real parts, it runs only when chip select rises right after the third
// address byte.
void erase_sector(spi_nor_flash* flash) {
    if (flash->address_bytes_seen < 3 || flash->data_bytes_seen != 0) {
        return;
    }
    const std::uint32_t sector = flash->address - flash->address % kNorSectorSize;
    std::memset(flash->cells->bytes.data() + sector, 0xFF, kNorSectorSize);
    storage_write_through(flash->cells, sector, kNorSectorSize);
    flash->write_enable_latch = false;
    nor_start_busy(flash, flash->timing.erase_status_reads, std::chrono::milliseconds(flash->timing.erase_time_ms));
}

const nor_command kNorCommands[] = {
    // opcode, address, dummy, needs WEL, data byte, on deselect
    {0x03, 3, 0, false, read_data_byte, nullptr},         // read
    {0x0B, 3, 1, false, read_data_byte, nullptr},         // fast read
    {0x05, 0, 0, false, status_byte, nullptr},            // read status register
    {0x06, 0, 0, false, nullptr, write_enable},           // write enable
    {0x04, 0, 0, false, nullptr, write_disable},          // write disable
    {0x02, 3, 0, true, program_data_byte, program_page},  // page program
    {0xD8, 3, 0, true, nullptr, erase_sector},            // 64 KiB sector erase
    {0x9F, 0, 0, false, jedec_id_byte, nullptr},          // read identification
};

}  // namespace

const nor_command* find_nor_command(std::uint8_t opcode) {
    for (const nor_command& command : kNorCommands) {
        if (command.opcode == opcode) {
            return &command;
        }
    }
    return nullptr;
}
