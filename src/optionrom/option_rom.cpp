// The display command's header lines and the erase of the Option ROM region.
#include "optionrom/option_rom.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_presence.h"
#include "platform/interrupt_hold.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

// The description label stays empty: the display does not read the VPD, the
// only place a description could come from.
int display_adapter(std::uint8_t adapter, settings_buffer* buffer) {
    std::printf("Adapter Index: \t%d\n", adapter);
    std::fputs("Description: \t", stdout);

    bool present = false;
    if (read_option_rom_presence(adapter, &present) != 0) {
        return -1;
    }

    std::fputs("Option ROM: \t", stdout);
    // Without an Option ROM the settings sector means nothing to anyone.
    if (!present) {
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
    // Half an Option ROM is worse than none: an interrupt waits for the
    // last sector.
    int rc = 0;
    {
        const interrupt_hold_scope hold;
        rc = flash_erase_sectors(adapter, kOptionRomFirstSector, kOptionRomLastSector);
    }
    std::fputs(rc != 0 ? "failed!\n" : "done.\n", stdout);
    return rc;
}
