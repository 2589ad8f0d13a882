// The $DM$ header: 16 bytes anywhere in the first 512 bytes of the Option
// ROM, at any byte offset, carrying the Option ROM's version.
#include "optionrom/option_rom.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kDmSignature[4] = {'$', 'D', 'M', '$'};
constexpr std::uint32_t kSearchWords = kDmHeaderSearchSize / 4;

}  // namespace

// Only a header that lies whole inside the searched bytes counts: a "$DM$"
// starting in the last 15 bytes would have its copy run past them.
int find_dm_header(const std::uint8_t* rom_start, dm_header* header) {
    if (rom_start == nullptr || header == nullptr) {
        return 1;
    }
    constexpr std::uint32_t kLastStart = kDmHeaderSearchSize - sizeof(dm_header);
    for (std::uint32_t offset = 0; offset <= kLastStart; ++offset) {
        if (rom_start[offset] == '$' && std::memcmp(rom_start + offset, kDmSignature, sizeof kDmSignature) == 0) {
            std::memcpy(header, rom_start + offset, sizeof(dm_header));
            return 0;
        }
    }
    return 1;
}

int read_option_rom_start(std::uint8_t adapter, std::uint8_t* rom_start) {
    // Whole words, as the flash layer delivers them; viewed as bytes after.
    std::uint32_t words[kSearchWords] = {};
    const int rc = flash_read_words(adapter, kOptionRomOffset, kSearchWords, words);
    if (rc != 0) {
        std::fputs(kRomStartUnreadableLine, stderr);
        return rc;
    }
    std::memcpy(rom_start, words, kDmHeaderSearchSize);
    return 0;
}

int take_dm_header(const std::uint8_t* rom_start, dm_header* header) {
    if (!has_option_rom_signature(rom_start)) {
        std::fprintf(stderr, "ERROR: Could not find valid Option ROM!\n");
        return -1;
    }
    return find_dm_header(rom_start, header) == 0 ? 0 : -1;
}

int read_dm_header(std::uint8_t adapter, dm_header* header) {
    if (header == nullptr) {
        return -1;
    }
    std::memset(header, 0, sizeof(dm_header));
    std::uint8_t rom_start[kDmHeaderSearchSize];
    const int rc = read_option_rom_start(adapter, rom_start);
    return rc != 0 ? rc : take_dm_header(rom_start, header);
}
