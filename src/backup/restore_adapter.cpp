// The restore command: the backup file is checked whole before the adapter
// is touched, and a backup of another adapter model is never written.
#include "backup/backup_restore.h"

#include "backup/backup_adapter_ids.h"
#include "backup/backup_file.h"
#include "backup/rom_restore.h"
#include "backup/settings_restore.h"
#include "platform/interrupt_hold.h"

#include <cstdio>

namespace {

backup_image g_restore_image;

}  // namespace

int restore_adapter(std::uint8_t adapter, const std::filesystem::path& path, int parts, const flash_progress* progress,
                    int* parts_done) {
    int unused = 0;
    int* done = parts_done != nullptr ? parts_done : &unused;
    *done = 0;
    if (load_backup_file(path, &g_restore_image) != 0) {
        return -1;
    }
    if (check_backup_adapter_ids(adapter, g_restore_image.header) != 0) {
        return -1;
    }
    // The Option ROM first: when it fails, the settings stay as they are.
    if ((parts & kRestoreRom) != 0) {
        if (restore_option_rom(adapter, g_restore_image.rom, progress) != 0) {
            return -1;
        }
        *done |= kRestoreRom;
        // The operator asked to stop: the flash is consistent here.
        if (interrupt_was_held()) {
            return (parts & kRestoreSettings) != 0 ? -1 : 0;
        }
    }
    if ((parts & kRestoreSettings) != 0) {
        if (restore_settings(adapter, g_restore_image.settings) != 0) {
            return -1;
        }
        *done |= kRestoreSettings;
    }
    return 0;
}
