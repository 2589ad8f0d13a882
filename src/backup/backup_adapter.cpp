// The backup command: the Option ROM region and the boot settings record,
// read whole, into a new file.
#include "backup/backup_restore.h"

#include "backup/backup_file.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "pci/adapter_ids.h"
#include "platform/progress_line.h"

#include <cstdio>

namespace {

// About 200 KiB: static, like the utility's other working buffers.
backup_image g_backup;

}  // namespace

int backup_adapter(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress) {
    // Refused before the minute of reading, not after it: a name that is
    // taken, or a folder the file cannot be made in.
    new_durable_file file;
    if (begin_backup_file(path, &file) != 0) {
        return -1;
    }
    pci_ids ids{};
    // Without them the backup is still whole, but a restore cannot tell
    // whether it belongs to the adapter model it is written to.
    if (read_vpd_ids(adapter, &ids) != 0) {
        std::printf("The Adapter's vendor and device IDs could not be read, the backup holds 0 for them.\n");
    }

    std::printf("Reading Option ROM and settings from Adapter... please wait\n");
    std::fflush(stdout);
    int rc = flash_read_region(adapter, kOptionRomOffset, kBackupRomSize, g_backup.rom, progress);
    if (rc == 0) {
        rc = flash_read_region(adapter, kSettingsOffset, kBackupSettingsSize, g_backup.settings, nullptr);
    }
    // "\b\b\n" leaves 100.00% standing, as at the end of an update; a
    // failed read leaves the percentage it reached.
    end_progress_line(rc == 0);
    std::fflush(stdout);
    if (rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read the flash of the Adapter, error %d, no backup written!\n", rc);
        discard_durable_file(&file);
        return -1;
    }

    seal_backup_image(&g_backup, ids.vendor_id, ids.device_id);
    if (finish_backup_file(&file, path, g_backup) != 0) {
        return -1;
    }
    std::printf("Backup of Adapter %d (device %04x:%04x) written.\n", adapter, ids.vendor_id, ids.device_id);
    return 0;
}
