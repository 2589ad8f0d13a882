#include "optionrom/option_rom_presence.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"

#include <cstdio>
#include <cstring>

int read_option_rom_presence(std::uint8_t adapter, bool* present) {
    *present = false;
    std::uint32_t first_word = 0;
    if (flash_read_words(adapter, kOptionRomOffset, 1, &first_word) != 0) {
        std::fputs(kRomStartUnreadableLine, stderr);
        return -1;
    }
    std::uint8_t first_bytes[sizeof first_word];
    std::memcpy(first_bytes, &first_word, sizeof first_bytes);
    *present = has_option_rom_signature(first_bytes);
    return 0;
}

// The same first word the display reads, with the same line when it cannot.
int require_option_rom(std::uint8_t adapter) {
    bool present = false;
    if (read_option_rom_presence(adapter, &present) != 0) {
        return -1;
    }
    if (!present) {
        std::fputs("ERROR: Could not find valid Option ROM!\n", stderr);
        return -1;
    }
    return 0;
}
