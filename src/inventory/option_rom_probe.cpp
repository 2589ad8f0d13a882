#include "inventory/option_rom_probe.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

namespace {

// The first 7 words of the Option ROM: enough to see its signature.
constexpr std::uint32_t kProbeWords = 7;

// What the ROM header copy holds for an Option ROM without a $DM$ header.
constexpr char kHeaderlessRomMark[4] = {'$', 'P', 'X', 'E'};

flash_probe copy_boot_settings(std::uint8_t adapter, boot_settings_record* settings) {
    flash_probe outcome = flash_probe::settings_read;
    if (flash_read_words(adapter, kSettingsOffset, kSettingsRecordWords, settings) != 0) {
        std::fputs(kSettingsUnreadableLine, stderr);
        outcome = flash_probe::settings_unreadable;
    }
    // Only a record with its magic is kept: erased or foreign contents of
    // the settings sector leave the copy zero.
    if (!has_settings_magic(*settings)) {
        std::memset(settings, 0, sizeof *settings);
    }
    return outcome;
}

}  // namespace

void probe_option_rom(std::uint8_t adapter, adapter_record* record) {
    std::uint8_t start[kProbeWords * 4] = {};
    if (flash_read_words(adapter, kOptionRomOffset, kProbeWords, start) != 0) {
        std::fputs(kRomStartUnreadableLine, stderr);
        record->probe = flash_probe::start_unreadable;
        return;
    }
    if (!has_option_rom_signature(start)) {
        record->probe = flash_probe::no_option_rom;
        return;
    }
    std::uint8_t rom_start[kDmHeaderSearchSize];
    const bool header_read = read_option_rom_start(adapter, rom_start) == 0;
    if (!header_read || take_dm_header(rom_start, &record->rom_header) != 0) {
        // The text list shows a failed read as a ROM without a header too.
        std::memcpy(record->rom_header.signature, kHeaderlessRomMark, sizeof kHeaderlessRomMark);
        record->probe = header_read ? flash_probe::no_dm_header : flash_probe::header_unreadable;
        return;
    }
    record->probe = copy_boot_settings(adapter, &record->settings);
}
