// The restore command: the backup file is checked whole before the adapter
// is touched, and a backup of another adapter model is never written.
#include "backup/backup_restore.h"

#include "backup/backup_adapter_ids.h"
#include "backup/backup_file.h"
#include "backup/rom_restore.h"
#include "backup/settings_restore.h"

#include <cstdio>

namespace {

backup_image g_restore_image;

}  // namespace

int restore_adapter(std::uint8_t adapter, const std::filesystem::path& path, int parts,
                    const flash_progress* progress) {
    if (load_backup_file(path, &g_restore_image) != 0) {
        return -1;
    }
    if (check_backup_adapter_ids(adapter, g_restore_image.header) != 0) {
        return -1;
    }
    // The Option ROM first: when it fails, the settings stay as they are.
    if ((parts & kRestoreRom) != 0 && restore_option_rom(adapter, g_restore_image.rom, progress) != 0) {
        return -1;
    }
    if ((parts & kRestoreSettings) != 0 && restore_settings(adapter, g_restore_image.settings) != 0) {
        return -1;
    }
    return 0;
}
