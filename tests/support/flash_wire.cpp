#include "support/flash_wire.h"

#include <algorithm>

#include <cstdio>
#include <ostream>
#include <sstream>

void PrintTo(const flash_transfer& t, std::ostream* os) {
    char text[64];
    std::snprintf(text, sizeof text, "operation 0x%02x data 0x%08x", t.operation, t.data);
    *os << text;
}

std::uint32_t flash_command::address() const {
    if (sent.size() < 4) {
        return 0;
    }
    return static_cast<std::uint32_t>(sent[1]) << 16 | static_cast<std::uint32_t>(sent[2]) << 8 | sent[3];
}

void flash_wire_decoder::register_written(std::uint32_t offset, std::uint32_t value) {
    if (offset == flash_wire::kDataRegister) {
        data_register_ = value;
        return;
    }
    if (offset != flash_wire::kControlRegister) {
        return;
    }
    const bool write = flash_wire::is_write(value);
    transfers_.push_back({value, write ? data_register_ : 0});
    awaiting_read_data_ = !write;
    if (commands_.empty() || commands_.back().ended) {
        commands_.emplace_back();
    }
    flash_command& command = commands_.back();
    ++command.transfers;
    if (write) {
        for (std::uint32_t i = 0; i < flash_wire::byte_count(value); ++i) {
            command.sent.push_back(static_cast<std::uint8_t>(data_register_ >> (8 * i)));
        }
    }
    command.ended = !flash_wire::keeps_selected(value);
}

void flash_wire_decoder::register_read(std::uint32_t offset, std::uint32_t value) {
    if (offset != flash_wire::kDataRegister || !awaiting_read_data_) {
        return;
    }
    awaiting_read_data_ = false;
    transfers_.back().data = value;
    flash_command& command = commands_.back();
    for (std::uint32_t i = 0; i < flash_wire::byte_count(transfers_.back().operation); ++i) {
        command.received.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

flash_wire_decoder decode_trace(const std::string& trace) {
    flash_wire_decoder decoder;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned offset = 0;
        unsigned value = 0;
        if (line.find(" -> error ") != std::string::npos) {
            continue;
        }
        std::size_t at = line.find(" regwrite ");
        if (at != std::string::npos && std::sscanf(line.c_str() + at, " regwrite 0x%x 0x%x", &offset, &value) == 2) {
            decoder.register_written(offset, value);
            continue;
        }
        at = line.find(" regread ");
        if (at != std::string::npos && std::sscanf(line.c_str() + at, " regread 0x%x -> 0x%x", &offset, &value) == 2) {
            decoder.register_read(offset, value);
        }
    }
    return decoder;
}

std::vector<int> erased_sectors_in_trace(const std::string& trace) {
    std::vector<int> sectors;
    const flash_wire_decoder wire = decode_trace(trace);
    for (const flash_command& c : wire.commands()) {
        if (c.opcode() == flash_wire::kSectorErase && c.sent.size() == 4 && c.ended) {
            sectors.push_back(static_cast<int>(c.address() >> 16));
        }
    }
    return sectors;
}

std::vector<programmed_piece> programmed_pieces_in_trace(const std::string& trace) {
    std::vector<programmed_piece> pieces;
    const flash_wire_decoder wire = decode_trace(trace);
    for (const flash_command& c : wire.commands()) {
        if (c.opcode() == flash_wire::kPageProgram && c.sent.size() >= 4) {
            pieces.push_back({c.address(), static_cast<std::uint32_t>(c.sent.size() - 4)});
        }
    }
    return pieces;
}

std::size_t requests_before_command(const std::string& trace, std::uint32_t word) {
    char line[40];
    std::snprintf(line, sizeof line, " regwrite 0x%08x 0x%08x\n", flash_wire::kDataRegister, word);
    const std::size_t at = trace.find(line);
    return static_cast<std::size_t>(std::count(
        trace.begin(), at == std::string::npos ? trace.end() : trace.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}
