// Restoring the boot settings record: the save of the configure command
// (erase of the settings sector, two page programs, read-back, the previous
// record put back when the save fails), with the backup's bytes unchanged.
#include "backup/settings_restore.h"

#include "backup/backup_file.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "platform/interrupt_hold.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

namespace {

static_assert(sizeof(settings_buffer) == kBackupSettingsSize);

}  // namespace

int restore_settings(std::uint8_t adapter, const std::uint8_t* settings) {
    std::uint8_t current[kBackupSettingsSize];
    if (flash_read_region(adapter, kSettingsOffset, sizeof current, current, nullptr) != 0) {
        std::fputs(kSettingsUnreadableLine, stderr);
        return -1;
    }
    if (std::memcmp(current, settings, sizeof current) == 0) {
        std::printf("Settings unchanged, nothing written.\n");
        return 0;
    }
    // The record now in flash, for the save to put back if it fails.
    boot_settings_record previous;
    std::memcpy(&previous, current, sizeof previous);
    settings_buffer restored;
    std::memcpy(&restored, settings, sizeof restored);
    // The save and the read-back of all 448 bytes are one stretch in which
    // an interrupt waits.
    flash_region_comparison compared{};
    {
        const interrupt_hold_scope hold;
        const int rc = write_settings_record(adapter, &restored, &previous);
        std::printf("\n");  // ends the save's prompt line
        if (rc != 0) {
            return -1;
        }
        // The save compares the record; the four bytes after it count too.
        compared = flash_compare_region(adapter, kSettingsOffset, kBackupSettingsSize, settings, nullptr);
    }
    if (compared.outcome == flash_comparison::unreadable) {
        std::fputs(kSettingsUnreadableLine, stderr);
        return -1;
    }
    if (compared.outcome == flash_comparison::differs) {
        std::fprintf(stderr, "ERROR: Settings read back from the Adapter differ from the backup!\n");
        return -1;
    }
    std::printf("Settings restored from backup.\n");
    return 0;
}
