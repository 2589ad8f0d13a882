// Restoring the Option ROM region. Only sectors whose flash differs from the
// backup are erased, and in them only pages that hold data are programmed:
// erased flash already reads 0xFF, and every erase and program is wear and a
// moment in which the adapter has no bootable Option ROM.
#include "backup/part_restore.h"

#include "backup/backup_file.h"
#include "backup/flash_region.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/rom_progress.h"
#include "optionrom/rom_readback.h"

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

bool page_is_erased(const std::uint8_t* page) {
    for (std::uint32_t i = 0; i < kFlashPageSize; ++i) {
        if (page[i] != 0xFF) {
            return false;
        }
    }
    return true;
}

std::uint32_t pages_to_program(const std::uint8_t* rom) {
    std::uint32_t pages = 0;
    for (std::uint32_t sector = 0; sector < kRomSectors; ++sector) {
        if (!sector_differs(rom, sector)) {
            continue;
        }
        for (std::uint32_t page = 0; page < kPagesPerSector; ++page) {
            pages += page_is_erased(rom + sector * kFlashSectorSize + page * kFlashPageSize) ? 0 : 1;
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

// Programs the pages with data in the sectors just erased, with the update's
// progress line.
int program_differing_sectors(std::uint8_t adapter, const std::uint8_t* rom, std::uint32_t pages) {
    std::printf("Writing Option ROM from backup to Adapter... please wait\n");
    std::fflush(stdout);
    std::uint32_t remaining = pages;
    for (std::uint32_t sector = 0; sector < kRomSectors; ++sector) {
        if (!sector_differs(rom, sector)) {
            continue;
        }
        for (std::uint32_t page = 0; page < kPagesPerSector; ++page) {
            const std::uint32_t offset = sector * kFlashSectorSize + page * kFlashPageSize;
            if (page_is_erased(rom + offset)) {
                continue;
            }
            const int rc = flash_write_page(adapter, kOptionRomOffset + offset, kFlashPageSize, rom + offset);
            if (rc != 0) {
                std::printf("\n");
                return report_restore_failure(rc);
            }
            --remaining;
            print_rom_progress(rom_progress_percent(pages * kFlashPageSize, remaining * kFlashPageSize));
        }
    }
    std::printf("\b\b\n");
    return 0;
}

int verify_restored_rom(std::uint8_t adapter, const std::uint8_t* rom) {
    std::uint32_t first_difference = 0;
    const rom_readback result = read_back_rom_image(adapter, rom, kBackupRomSize, &first_difference);
    if (result == rom_readback::differs) {
        std::fprintf(stderr, "ERROR: Option ROM restore failed, flash differs from the backup at offset 0x%x!\n",
                     static_cast<unsigned>(first_difference));
        return -1;
    }
    if (result == rom_readback::unreadable) {
        std::fprintf(stderr, "ERROR: Option ROM restore failed, could not read the Option ROM back!\n");
        return -1;
    }
    return 0;
}

}  // namespace

int restore_option_rom(std::uint8_t adapter, const std::uint8_t* rom) {
    std::printf("Comparing Option ROM of Adapter with the backup... please wait\n");
    std::fflush(stdout);
    const int read_rc = read_flash_region(adapter, kOptionRomOffset, kBackupRomSize, g_current_rom, false);
    if (read_rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read the Option ROM of the Adapter, error %d!\n", read_rc);
        return -1;
    }
    if (std::memcmp(g_current_rom, rom, kBackupRomSize) == 0) {
        std::printf("Option ROM unchanged, nothing written.\n");
        return 0;
    }
    const std::uint32_t pages = pages_to_program(rom);
    if (erase_differing_sectors(adapter, rom) != 0) {
        return -1;
    }
    if (pages > 0 && program_differing_sectors(adapter, rom, pages) != 0) {
        return -1;
    }
    if (verify_restored_rom(adapter, rom) != 0) {
        return -1;
    }
    std::printf("Option ROM restored from backup.\n");
    return 0;
}
