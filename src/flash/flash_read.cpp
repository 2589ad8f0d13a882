// Reading the flash: one fast-read command streams any number of bytes from
// the address on, four per transfer, so a whole record costs one command.
#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "flash/flash_wire_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

// The controller hands over whole 32-bit words, so reads start on a word.
// The flash wraps a read that runs off its end back to address 0, and the
// command carries only 24 address bits; a range that does not lie inside
// the flash would quietly return some other part of it.
bool read_range_valid(std::uint32_t address, std::uint32_t word_count) {
    if (address % 4 != 0 || address >= kFlashSize) {
        return false;
    }
    return word_count <= (kFlashSize - address) / 4;
}

// Byte i of the word is byte i on the wire, which is flash address + i.
// Stored byte by byte: the caller's buffer need not be word-aligned.
void store_word(std::uint32_t word, unsigned char* out) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<unsigned char>(word >> (8 * i));
    }
}

}  // namespace

int flash_read_words(std::uint8_t adapter, std::uint32_t address, std::uint32_t word_count, void* buffer) {
    if (!read_range_valid(address, word_count)) {
        std::fprintf(stderr, "ERROR: invalid address, outside of flash size!\n");
        return kFlashBadArgument;
    }
    // Nothing to read: send nothing rather than open a command that no data
    // transfer would end.
    if (word_count == 0) {
        return kFlashOk;
    }

    // Command and address, flash kept selected; then the dummy byte that the
    // fast read clocks before its data. The dummy transfer goes out even when
    // the command failed, and the two results are reported together.
    const int command = flash_write_op(adapter, 4, 1, flash_command_word(kFlashCommandFastRead, address));
    std::uint32_t dummy = 0;
    const int dummy_read = flash_read_op(adapter, 1, 1, &dummy);
    if ((command | dummy_read) != kFlashOk) {
        std::fprintf(stderr, "ERROR: could not write/read from serial flash!\n");
        return command | dummy_read;
    }

    auto* out = static_cast<unsigned char*>(buffer);
    for (std::uint32_t k = 0; k < word_count; ++k) {
        // The last word drops the continue flag, which ends the command.
        const std::uint32_t more = k + 1 < word_count ? 1 : 0;
        std::uint32_t word = 0;
        const int result = flash_read_op(adapter, 4, more, &word);
        if (result != kFlashOk) {
            std::fprintf(stderr, "ERROR: could not read from serial flash!\n");
            return result;
        }
        store_word(word, out + 4 * static_cast<std::size_t>(k));
    }
    return kFlashOk;
}
