// The restore command: the backup file is checked whole before the adapter
// is touched, and a backup of another adapter model is never written.
#include "backup/backup_restore.h"

#include "backup/backup_file.h"
#include "backup/rom_restore.h"
#include "backup/settings_restore.h"
#include "device/interrupt_hold.h"
#include "inventory/adapter_ids.h"

#include <cstdio>

namespace {

backup_image g_restore_image;

// An Option ROM for another adapter model is how a server stops booting, so
// there is no override. An ID of 0 could not be read and is not compared.
bool ids_conflict(std::uint16_t backup_id, std::uint16_t adapter_id) {
    return backup_id != 0 && adapter_id != 0 && backup_id != adapter_id;
}

int check_adapter_ids(std::uint8_t adapter, const backup_header& header) {
    std::uint16_t vendor_id = 0;
    std::uint16_t device_id = 0;
    if (read_adapter_ids(adapter, &vendor_id, &device_id) != 0) {
        std::printf(
            "The Adapter's vendor and device IDs could not be read, they are not compared with the "
            "backup's.\n");
        return 0;
    }
    if (ids_conflict(header.vendor_id, vendor_id) || ids_conflict(header.device_id, device_id)) {
        std::fprintf(stderr, "ERROR: Backup was taken from device %04x:%04x, this Adapter is device %04x:%04x!\n",
                     header.vendor_id, header.device_id, vendor_id, device_id);
        return -1;
    }
    return 0;
}

}  // namespace

int restore_adapter(std::uint8_t adapter, const std::filesystem::path& path, int parts, const flash_progress* progress,
                    int* parts_done) {
    int unused = 0;
    int* done = parts_done != nullptr ? parts_done : &unused;
    *done = 0;
    if (load_backup_file(path, &g_restore_image) != 0) {
        return -1;
    }
    if (check_adapter_ids(adapter, g_restore_image.header) != 0) {
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
