// The verify command: what the flash holds against an Option ROM image or a
// backup, read whole so that every differing byte is counted, not just the
// first. Nothing is written to the adapter.
#include "backup/backup_restore.h"

#include "backup/backup_adapter_ids.h"
#include "backup/backup_file.h"
#include "device/platform_file.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"
#include "optionrom/rom_image_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Static, like the backup's and the restore's working buffers.
backup_image g_verify_backup;
std::uint8_t g_flash_rom[kBackupRomSize];
std::uint8_t g_flash_settings[kBackupSettingsSize];

enum class verify_file_kind { unreadable, image, backup, other };

// Told apart by their first bytes: the backup's magic, or the Option ROM
// signature. The loaders that follow report a file that cannot be opened.
verify_file_kind file_kind(const std::filesystem::path& path) {
    std::FILE* file = open_file_for_reading(path);
    if (file == nullptr) {
        return verify_file_kind::unreadable;
    }
    std::uint8_t start[sizeof kBackupMagic] = {};
    const std::size_t count = std::fread(start, 1, sizeof start, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (count == sizeof start && std::memcmp(start, kBackupMagic, sizeof start) == 0) {
        return verify_file_kind::backup;
    }
    if (count >= 2 && has_option_rom_signature(start)) {
        return verify_file_kind::image;
    }
    return failed ? verify_file_kind::unreadable : verify_file_kind::other;
}

std::uint32_t count_differences(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t size,
                                std::uint32_t* first) {
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (a[i] != b[i]) {
            if (count == 0) {
                *first = i;
            }
            ++count;
        }
    }
    return count;
}

// "\b\b\n" leaves 100.00% standing, as at the end of a backup; a failed read
// leaves the percentage it reached.
int end_progress(int rc) {
    std::printf(rc == 0 ? "\b\b\n" : "\n");
    std::fflush(stdout);
    if (rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read the flash of the Adapter, error %d, nothing compared!\n", rc);
        return -1;
    }
    return 0;
}

int verify_image(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress) {
    std::uint8_t* image = nullptr;
    std::uint32_t size = 0;
    if (load_rom_image_file(path, &image, &size) != 0) {
        return -1;
    }
    std::printf("Comparing Option ROM of Adapter with the image... please wait\n");
    std::fflush(stdout);
    if (end_progress(flash_read_region(adapter, kOptionRomOffset, size, g_flash_rom, progress)) != 0) {
        std::free(image);
        return -1;
    }
    std::uint32_t first = 0;
    const std::uint32_t differing = count_differences(g_flash_rom, image, size, &first);
    std::free(image);
    if (differing == 0) {
        std::printf("Flash equals the image (%u bytes).\n", static_cast<unsigned>(size));
        return 0;
    }
    std::printf("Flash differs from the image at offset 0x%x: %u of %u bytes differ.\n",
                static_cast<unsigned>(kOptionRomOffset + first), static_cast<unsigned>(differing),
                static_cast<unsigned>(size));
    return -1;
}

int verify_backup(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress) {
    if (load_backup_file(path, &g_verify_backup) != 0 ||
        check_backup_adapter_ids(adapter, g_verify_backup.header) != 0) {
        return -1;
    }
    std::printf("Comparing Option ROM and settings of Adapter with the backup... please wait\n");
    std::fflush(stdout);
    int rc = flash_read_region(adapter, kOptionRomOffset, kBackupRomSize, g_flash_rom, progress);
    if (rc == 0) {
        rc = flash_read_region(adapter, kSettingsOffset, kBackupSettingsSize, g_flash_settings, nullptr);
    }
    if (end_progress(rc) != 0) {
        return -1;
    }
    std::uint32_t first_rom = 0;
    std::uint32_t first_settings = 0;
    const std::uint32_t rom_differing = count_differences(g_flash_rom, g_verify_backup.rom, kBackupRomSize, &first_rom);
    const std::uint32_t settings_differing =
        count_differences(g_flash_settings, g_verify_backup.settings, kBackupSettingsSize, &first_settings);
    if (rom_differing == 0 && settings_differing == 0) {
        std::printf("Flash equals the backup (Option ROM and settings).\n");
        return 0;
    }
    const std::uint32_t first = rom_differing != 0 ? kOptionRomOffset + first_rom : kSettingsOffset + first_settings;
    std::printf(
        "Flash differs from the backup at offset 0x%x: %u bytes differ in the Option ROM, %u in the settings.\n",
        static_cast<unsigned>(first), static_cast<unsigned>(rom_differing), static_cast<unsigned>(settings_differing));
    return -1;
}

}  // namespace

int verify_adapter(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress) {
    switch (file_kind(path)) {
        case verify_file_kind::backup: return verify_backup(adapter, path, progress);
        case verify_file_kind::image:
        case verify_file_kind::unreadable:  // the image loader says why, as the update would
            return verify_image(adapter, path, progress);
        case verify_file_kind::other: break;
    }
    std::fprintf(stderr, "ERROR: File is neither an Option ROM image nor a backup file!\n");
    return -1;
}
