// Restoring the boot settings record: the save of the configure command
// (erase of the settings sector, two page programs, read-back, the previous
// record put back when the save fails), with the backup's bytes unchanged.
#include "backup/part_restore.h"

#include "backup/backup_file.h"
#include "backup/flash_region.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

namespace {

settings_buffer g_restore_buffer;
static_assert(sizeof(settings_buffer) == kBackupSettingsSize);

int read_settings_sector(std::uint8_t adapter, std::uint8_t* bytes) {
    const int rc = read_flash_region(adapter, kSettingsOffset, kBackupSettingsSize, bytes, false);
    if (rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read settings data!\n");
    }
    return rc;
}

}  // namespace

int restore_settings(std::uint8_t adapter, const std::uint8_t* settings) {
    std::uint8_t current[kBackupSettingsSize];
    if (read_settings_sector(adapter, current) != 0) {
        return -1;
    }
    if (std::memcmp(current, settings, sizeof current) == 0) {
        std::printf("Settings unchanged, nothing written.\n");
        return 0;
    }
    // Keeps the record now in flash, for the save to put back if it fails.
    if (read_settings(adapter, &g_restore_buffer, false) != 0) {
        return -1;
    }
    std::memcpy(&g_restore_buffer, settings, sizeof g_restore_buffer);
    const int rc = write_settings_record(adapter, &g_restore_buffer);
    std::printf("\n");  // ends the save's prompt line
    if (rc != 0) {
        return -1;
    }
    // The save compares the record; the four bytes after it count too.
    if (read_settings_sector(adapter, current) != 0) {
        return -1;
    }
    if (std::memcmp(current, settings, sizeof current) != 0) {
        std::fprintf(stderr, "ERROR: Settings read back from the Adapter differ from the backup!\n");
        return -1;
    }
    std::printf("Settings restored from backup.\n");
    return 0;
}
