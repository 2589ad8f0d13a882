// Images, flash contents and trace reading shared by the update tests.
#pragma once

#include "support/flash_wire.h"

#include <cstddef>
#include <cstdint>
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

// Sectors named by the sector erase commands in a trace (0xD8 with the
// sector number as the first address byte, one 4-byte transfer that ends the
// command).
inline std::vector<int> erased_sectors_in_trace(const std::string& trace) {
    std::vector<int> sectors;
    const flash_wire_decoder wire = decode_trace(trace);
    for (const flash_command& c : wire.commands()) {
        if (c.opcode() == flash_wire::kSectorErase && c.sent.size() == 4 && c.ended) {
            sectors.push_back(static_cast<int>(c.address() >> 16));
        }
    }
    return sectors;
}

// Each page program in a trace as (flash address, bytes sent after the
// address before the command ended).
struct programmed_piece {
    std::uint32_t address;
    std::uint32_t bytes;
    bool operator==(const programmed_piece&) const = default;
};

inline std::vector<programmed_piece> programmed_pieces_in_trace(const std::string& trace) {
    std::vector<programmed_piece> pieces;
    const flash_wire_decoder wire = decode_trace(trace);
    for (const flash_command& c : wire.commands()) {
        if (c.opcode() == flash_wire::kPageProgram && c.sent.size() >= 4) {
            pieces.push_back({c.address(), static_cast<std::uint32_t>(c.sent.size() - 4)});
        }
    }
    return pieces;
}
