#include "optionrom/rom_readback.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"

#include <cstring>

namespace {

// Read back in 4 KiB runs: one fast-read command per run costs little next
// to its 1024 word transfers, and the buffer stays small.
constexpr std::uint32_t kReadBackChunk = 4096;
static_assert(kReadBackChunk % 4 == 0);

}  // namespace

rom_readback read_back_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size,
                                 std::uint32_t* first_difference) {
    std::uint32_t words[kReadBackChunk / 4];
    const auto* flash_bytes = reinterpret_cast<const std::uint8_t*>(words);
    for (std::uint32_t offset = 0; offset < size; offset += kReadBackChunk) {
        const std::uint32_t length = size - offset < kReadBackChunk ? size - offset : kReadBackChunk;
        // Flash is read in whole words; the bytes past an image whose size is
        // not a multiple of 4 are read but not compared.
        const std::uint32_t word_count = (length + 3) / 4;
        if (flash_read_words(adapter, kOptionRomOffset + offset, word_count, words) != 0) {
            return rom_readback::unreadable;
        }
        if (std::memcmp(flash_bytes, image + offset, length) != 0) {
            std::uint32_t i = 0;
            while (flash_bytes[i] == image[offset + i]) {
                ++i;
            }
            *first_difference = offset + i;
            return rom_readback::differs;
        }
    }
    return rom_readback::matches;
}
