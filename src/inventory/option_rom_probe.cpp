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

void copy_boot_settings(std::uint8_t adapter, boot_settings_record* settings) {
    if (flash_read_words(adapter, kSettingsOffset, kSettingsRecordWords, settings) != 0) {
        std::fputs(kSettingsUnreadableLine, stderr);
    }
    // Only a record with its magic is kept: erased or foreign contents of
    // the settings sector leave the copy zero.
    if (!has_settings_magic(*settings)) {
        std::memset(settings, 0, sizeof *settings);
    }
}

}  // namespace

void probe_option_rom(std::uint8_t adapter, adapter_record* record) {
    std::uint8_t start[kProbeWords * 4] = {};
    if (flash_read_words(adapter, kOptionRomOffset, kProbeWords, start) != 0) {
        std::fputs(kRomStartUnreadableLine, stderr);
        return;
    }
    if (!has_option_rom_signature(start)) {
        return;
    }
    if (read_dm_header(adapter, &record->rom_header) != 0) {
        std::memcpy(record->rom_header.signature, kHeaderlessRomMark, sizeof kHeaderlessRomMark);
        return;
    }
    copy_boot_settings(adapter, &record->settings);
}
