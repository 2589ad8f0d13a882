// Restoring the Option ROM region. Only sectors whose flash differs from the
// backup are erased, and in them only pages that hold data are programmed:
// erased flash already reads 0xFF, and every erase and program is wear and a
// moment in which the adapter has no bootable Option ROM.
#include "backup/rom_restore.h"

#include "backup/backup_file.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "platform/interrupt_hold.h"
#include "platform/progress_line.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t kRomSectors = kBackupRomSize / kFlashSectorSize;
constexpr std::uint32_t kPagesPerSector = kFlashSectorSize / kFlashPageSize;

// What the flash holds before the restore.
std::uint8_t g_current_rom[kBackupRomSize];

bool sector_differs(const std::uint8_t* rom, std::uint32_t sector) {
    const std::uint32_t offset = sector * kFlashSectorSize;
    return std::memcmp(g_current_rom + offset, rom + offset, kFlashSectorSize) != 0;
}

std::uint32_t pages_to_program(const std::uint8_t* rom) {
    std::uint32_t pages = 0;
    for (std::uint32_t sector = 0; sector < kRomSectors; ++sector) {
        if (!sector_differs(rom, sector)) {
            continue;
        }
        for (std::uint32_t page = 0; page < kPagesPerSector; ++page) {
            pages +=
                flash_bytes_erased(rom + sector * kFlashSectorSize + page * kFlashPageSize, kFlashPageSize) ? 0 : 1;
        }
    }
    return pages;
}

int report_restore_failure(int rc) {
    std::fprintf(stderr, "ERROR: Option ROM restore failed, error %d\n", rc);
    return -1;
}

int erase_differing_sectors(std::uint8_t adapter, const std::uint8_t* rom) {
    std::printf("Erasing Option ROM sectors that differ from the backup.. please wait\n");
    std::fflush(stdout);
    for (std::uint32_t sector = 0; sector < kRomSectors; ++sector) {
        if (!sector_differs(rom, sector)) {
            continue;
        }
        const auto s = static_cast<std::int32_t>(sector);
        const int rc = flash_erase_sectors(adapter, s, s);
        if (rc != 0) {
            return report_restore_failure(rc);
        }
    }
    return 0;
}

// The progress of the whole restore, over the pages of every sector it
// programs: each sector is a region of its own to the flash layer.
struct restore_progress {
    const flash_progress* line;
    std::uint32_t total;  // the bytes of all pages to program
    std::uint32_t done;
};

void report_page_programmed(void* context, std::uint32_t /*done*/, std::uint32_t /*total*/) {
    auto* restore = static_cast<restore_progress*>(context);
    restore->done += kFlashPageSize;
    if (restore->line != nullptr && restore->line->report != nullptr) {
        restore->line->report(restore->line->context, restore->done, restore->total);
    }
}

// Programs the pages with data in the sectors just erased, with the update's
// progress line.
int program_differing_sectors(std::uint8_t adapter, const std::uint8_t* rom, std::uint32_t pages,
                              const flash_progress* line) {
    std::printf("Writing Option ROM from backup to Adapter... please wait\n");
    std::fflush(stdout);
    restore_progress restore = {line, pages * kFlashPageSize, 0};
    const flash_progress per_page = {report_page_programmed, &restore};
    for (std::uint32_t sector = 0; sector < kRomSectors; ++sector) {
        if (!sector_differs(rom, sector)) {
            continue;
        }
        const std::uint32_t offset = sector * kFlashSectorSize;
        const int rc = flash_program_region(adapter, kOptionRomOffset + offset, kFlashSectorSize, rom + offset,
                                            flash_erased_pages::skip, &per_page);
        if (rc != 0) {
            std::printf("\n");
            return report_restore_failure(rc);
        }
    }
    end_progress_line(true);
    return 0;
}

int verify_restored_rom(std::uint8_t adapter, const std::uint8_t* rom) {
    const flash_region_comparison compared =
        flash_compare_region(adapter, kOptionRomOffset, kBackupRomSize, rom, nullptr);
    if (compared.outcome == flash_comparison::differs) {
        std::fprintf(stderr, "ERROR: Option ROM restore failed, flash differs from the backup at offset 0x%x!\n",
                     static_cast<unsigned>(compared.first_difference));
        return -1;
    }
    if (compared.outcome == flash_comparison::unreadable) {
        std::fprintf(stderr, "ERROR: Option ROM restore failed, could not read the Option ROM back!\n");
        return -1;
    }
    return 0;
}

// Erases the sectors that differ, programs them and reads the region back.
int write_differing_sectors(std::uint8_t adapter, const std::uint8_t* rom, std::uint32_t pages,
                            const flash_progress* progress) {
    if (erase_differing_sectors(adapter, rom) != 0) {
        return -1;
    }
    if (pages > 0 && program_differing_sectors(adapter, rom, pages, progress) != 0) {
        return -1;
    }
    return verify_restored_rom(adapter, rom);
}

}  // namespace

int restore_option_rom(std::uint8_t adapter, const std::uint8_t* rom, const flash_progress* progress) {
    std::printf("Comparing Option ROM of Adapter with the backup... please wait\n");
    std::fflush(stdout);
    const int read_rc = flash_read_region(adapter, kOptionRomOffset, kBackupRomSize, g_current_rom, nullptr);
    if (read_rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read the Option ROM of the Adapter, error %d!\n", read_rc);
        return -1;
    }
    if (std::memcmp(g_current_rom, rom, kBackupRomSize) == 0) {
        std::printf("Option ROM unchanged, nothing written.\n");
        return 0;
    }
    const std::uint32_t pages = pages_to_program(rom);
    // From the first erase to the read-back: an interrupt waits.
    int rc = 0;
    {
        const interrupt_hold_scope hold;
        rc = write_differing_sectors(adapter, rom, pages, progress);
    }
    if (rc != 0) {
        return -1;
    }
    std::printf("Option ROM restored from backup.\n");
    return 0;
}
