// The verify command: what the flash holds against an Option ROM image or a
// backup, read whole so that every differing byte is counted, not just the
// first. Nothing is written to the adapter.
#include "verify/verify_adapter.h"

#include "backup/backup_adapter_ids.h"
#include "backup/backup_file.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"
#include "platform/file_reader.h"
#include "platform/file_refusals.h"
#include "platform/progress_line.h"
#include "platform/refusal.h"

#include <cstdio>
#include <cstring>

namespace {

// Static, like the backup's and the restore's working buffers. The file is
// read into room for the largest thing it may be, a backup.
backup_image g_verify_file;
std::uint8_t g_flash_rom[kBackupRomSize];
std::uint8_t g_flash_settings[kBackupSettingsSize];

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
// leaves the percentage it reached. Without a progress shown there is no
// line to end.
int end_progress(int rc, const flash_progress* progress) {
    if (progress != nullptr) {
        end_progress_line(rc == 0);
    }
    std::fflush(stdout);
    if (rc != 0) {
        std::fprintf(stderr, "ERROR: Could not read the flash of the Adapter, error %d, nothing compared!\n", rc);
        return -1;
    }
    return 0;
}

int verify_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, const flash_progress* progress,
                 verify_result* result) {
    std::printf("Comparing Option ROM of Adapter with the image... please wait\n");
    std::fflush(stdout);
    if (end_progress(flash_read_region(adapter, kOptionRomOffset, size, g_flash_rom, progress), progress) != 0) {
        return -1;
    }
    std::uint32_t first = 0;
    const std::uint32_t differing = count_differences(g_flash_rom, image, size, &first);
    result->compared = true;
    result->compared_bytes = size;
    result->rom_differing = differing;
    result->first_difference = kOptionRomOffset + first;
    if (differing == 0) {
        std::printf("Flash equals the image (%u bytes).\n", static_cast<unsigned>(size));
        return 0;
    }
    std::printf("Flash differs from the image at offset 0x%x: %u of %u bytes differ.\n",
                static_cast<unsigned>(kOptionRomOffset + first), static_cast<unsigned>(differing),
                static_cast<unsigned>(size));
    return -1;
}

int verify_backup(std::uint8_t adapter, long size, const flash_progress* progress, verify_result* result) {
    if (check_backup_bytes(g_verify_file, size) != 0 || check_backup_adapter_ids(adapter, g_verify_file.header) != 0) {
        return -1;
    }
    std::printf("Comparing Option ROM and settings of Adapter with the backup... please wait\n");
    std::fflush(stdout);
    int rc = flash_read_region(adapter, kOptionRomOffset, kBackupRomSize, g_flash_rom, progress);
    if (rc == 0) {
        rc = flash_read_region(adapter, kSettingsOffset, kBackupSettingsSize, g_flash_settings, nullptr);
    }
    if (end_progress(rc, progress) != 0) {
        return -1;
    }
    std::uint32_t first_rom = 0;
    std::uint32_t first_settings = 0;
    const std::uint32_t rom_differing = count_differences(g_flash_rom, g_verify_file.rom, kBackupRomSize, &first_rom);
    const std::uint32_t settings_differing =
        count_differences(g_flash_settings, g_verify_file.settings, kBackupSettingsSize, &first_settings);
    const std::uint32_t first = rom_differing != 0 ? kOptionRomOffset + first_rom : kSettingsOffset + first_settings;
    result->compared = true;
    result->compared_bytes = kBackupRomSize + kBackupSettingsSize;
    result->rom_differing = rom_differing;
    result->settings_differing = settings_differing;
    result->first_difference = first;
    if (rom_differing == 0 && settings_differing == 0) {
        std::printf("Flash equals the backup (Option ROM and settings).\n");
        return 0;
    }
    std::printf(
        "Flash differs from the backup at offset 0x%x: %u bytes differ in the Option ROM, %u in the settings.\n",
        static_cast<unsigned>(first), static_cast<unsigned>(rom_differing), static_cast<unsigned>(settings_differing));
    return -1;
}

}  // namespace

int verify_adapter(std::uint8_t adapter, const std::filesystem::path& path, const flash_progress* progress,
                   verify_result* result) {
    verify_result unused{};
    verify_result* found = result != nullptr ? result : &unused;
    *found = {};
    // One opening, so that a pipe is read once, to its end; the kind is told
    // apart by the first bytes: the backup's magic, or the image signature.
    std::size_t count = 0;
    bool more = false;
    switch (read_bounded_file(path, kTakesDiskFile | kTakesPipe, &g_verify_file, sizeof g_verify_file, &count, &more)) {
        case kReadOk: break;
        case kReadNotTaken: return refuse("ERROR: Not a file or a pipe, the Adapter is only compared with a file!\n");
        case kReadFailed: return refuse(kReadFailedLine);
        default: return refuse(kOpenFailedLine);
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&g_verify_file);
    if (count >= sizeof kBackupMagic && std::memcmp(bytes, kBackupMagic, sizeof kBackupMagic) == 0) {
        found->kind = verify_file_kind::backup;
        return verify_backup(adapter, static_cast<long>(count) + (more ? 1 : 0), progress, found);
    }
    if (count >= 2 && has_option_rom_signature(bytes)) {
        found->kind = verify_file_kind::image;
        if (more || count > kOptionRomMaxSize) {
            return refuse(kTooLargeLine);
        }
        return verify_image(adapter, bytes, static_cast<std::uint32_t>(count), progress, found);
    }
    return refuse("ERROR: File is neither an Option ROM image nor a backup file!\n");
}
