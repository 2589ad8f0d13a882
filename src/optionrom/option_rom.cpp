// The display command's header lines and the erase of the Option ROM region.
#include "optionrom/option_rom.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

// The description label stays empty: the display does not read the VPD, the
// only place a description could come from.
int display_adapter(std::uint8_t adapter, settings_buffer* buffer) {
    std::printf("Adapter Index: \t%d\n", adapter);
    std::fputs("Description: \t", stdout);

    std::uint32_t first_word = 0;
    if (flash_read_words(adapter, kOptionRomOffset, 1, &first_word) != 0) {
        std::fprintf(stderr, "ERROR: Could not read data at start of Option ROM!\n");
        return -1;
    }
    std::uint8_t first_bytes[sizeof first_word];
    std::memcpy(first_bytes, &first_word, sizeof first_bytes);

    std::fputs("Option ROM: \t", stdout);
    // Without an Option ROM the settings sector means nothing to anyone.
    if (!has_option_rom_signature(first_bytes)) {
        std::fputs("not present\n", stdout);
        return 0;
    }
    std::fputs("present\n", stdout);
    return read_settings(adapter, buffer, true) == 0 ? 0 : -1;
}

// All three sectors go, whatever the size of the image in them; the settings
// sector after them is left alone.
int erase_option_rom(std::uint8_t adapter) {
    std::fputs("Erasing Option ROM from Adapter, please wait.. ", stdout);
    std::fflush(stdout);  // the prompt shows while the sectors erase
    const int rc = flash_erase_sectors(adapter, kOptionRomFirstSector, kOptionRomLastSector);
    std::fputs(rc != 0 ? "failed!\n" : "done.\n", stdout);
    return rc;
}
