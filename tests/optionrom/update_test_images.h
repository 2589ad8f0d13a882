// Images, flash contents and trace reading shared by the update tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

inline constexpr std::size_t kFlashBytes = 0x80000;
inline constexpr std::size_t kSectorBytes = 0x10000;
inline constexpr std::size_t kSettingsStart = 0x30000;

// An image that starts with the signature and whose other bytes all lie in
// 0x80-0xCF. Such bytes can never form a flash command word on the wire
// (those have zero high bytes), so the trace can be read unambiguously.
inline std::vector<std::uint8_t> make_rom_image(std::size_t size) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(0x80 + (i * 7 + i / 256) % 0x50);
    }
    if (size >= 2) {
        image[0] = 0x55;
        image[1] = 0xAA;
    }
    return image;
}

// Flash as a used adapter has it: the Option ROM sectors programmed to 0x00
// (so a sector that is not erased cannot take a new image), and a settings
// sector with content of its own.
inline std::vector<std::uint8_t> make_used_flash() {
    std::vector<std::uint8_t> flash(kFlashBytes, 0x00);
    for (std::size_t i = kSettingsStart; i < kSettingsStart + kSectorBytes; ++i) {
        flash[i] = static_cast<std::uint8_t>(i * 11 + 5);
    }
    flash[kSettingsStart + 0] = 'K';
    flash[kSettingsStart + 1] = 'I';
    flash[kSettingsStart + 2] = 'B';
    flash[kSettingsStart + 3] = 0;
    return flash;
}

inline std::vector<std::uint8_t> bytes_of(const std::vector<std::uint8_t>& v, std::size_t from, std::size_t to) {
    return std::vector<std::uint8_t>(v.begin() + static_cast<std::ptrdiff_t>(from),
                                     v.begin() + static_cast<std::ptrdiff_t>(to));
}

// The console text before the first percentage.
inline std::string update_header(std::size_t size) {
    return "Erasing Option ROM from Adapter.. please wait\n"
           "Writing Option ROM file to Adapter... please wait\n"
           "Option ROM size: " +
           std::to_string(size) + " bytes\n";
}

inline const std::string kUpdateSucceeded = "\b\b\nOption ROM flashing operation succeeded.\n";

// One write transfer of the flash controller as the trace shows it: the data
// register's value and the operation word that started it.
struct write_transfer {
    std::uint32_t data;
    std::uint32_t operation;
};

inline std::vector<write_transfer> write_transfers_in_trace(const std::string& trace) {
    std::vector<write_transfer> transfers;
    std::istringstream lines(trace);
    std::string line;
    std::uint32_t data = 0;
    while (std::getline(lines, line)) {
        unsigned reg = 0;
        unsigned value = 0;
        const std::size_t at = line.find(" regwrite ");
        if (at == std::string::npos || std::sscanf(line.c_str() + at, " regwrite 0x%x 0x%x", &reg, &value) != 2) {
            continue;
        }
        if (reg == 0x6d8) {
            data = value;
        } else if (reg == 0x6dc && (value & 1) != 0) {
            transfers.push_back({data, value});
        }
    }
    return transfers;
}

// Sectors named by the sector erase commands (0xD8 with the sector number
// as the first address byte, one 4-byte transfer that ends the command).
inline std::vector<int> erased_sectors_in_trace(const std::string& trace) {
    std::vector<int> sectors;
    for (const write_transfer& t : write_transfers_in_trace(trace)) {
        if ((t.data & 0xFF) == 0xD8 && t.operation == 0x07) {
            sectors.push_back(static_cast<int>((t.data >> 8) & 0xFF));
        }
    }
    return sectors;
}

// Each page program as (flash address, bytes sent before the command ended).
struct programmed_piece {
    std::uint32_t address;
    std::uint32_t bytes;
    bool operator==(const programmed_piece&) const = default;
};

inline std::vector<programmed_piece> programmed_pieces_in_trace(const std::string& trace) {
    std::vector<programmed_piece> pieces;
    bool in_program = false;
    for (const write_transfer& t : write_transfers_in_trace(trace)) {
        const std::uint32_t count = ((t.operation >> 1) & 3) + 1;
        const bool goes_on = (t.operation & 8) != 0;
        if (!in_program) {
            if ((t.data & 0xFF) == 0x02 && t.operation == 0x0F) {
                const std::uint32_t address =
                    ((t.data >> 8) & 0xFF) << 16 | ((t.data >> 16) & 0xFF) << 8 | t.data >> 24;
                pieces.push_back({address, 0});
                in_program = true;
            }
            continue;
        }
        pieces.back().bytes += count;
        in_program = goes_on;
    }
    return pieces;
}
