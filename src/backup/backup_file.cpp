#include "backup/backup_file.h"

#include "backup/crc32.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"
#include "platform/file_reader.h"
#include "platform/file_refusals.h"
#include "platform/refusal.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::uint32_t parts_crc(const backup_image& image) {
    return crc32_update(0, image.rom, sizeof image.rom + sizeof image.settings);
}

bool path_exists(const std::filesystem::path& path) {
    std::error_code error;
    // symlink_status: a dangling link is an existing name too.
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

// Reads the whole file, and sees whether anything trails a backup's size.
// The byte count read, or -1 after its message.
long read_backup_bytes(const std::filesystem::path& path, backup_image* image) {
    std::memset(image, 0, sizeof *image);
    std::size_t count = 0;
    bool more = false;
    switch (read_bounded_file(path, kTakesDiskFile, image, sizeof *image, &count, &more)) {
        case kReadOk: return static_cast<long>(count) + (more ? 1 : 0);
        case kReadNotTaken: return refuse("ERROR: Not a regular file, a backup is only read from a file!\n");
        case kReadFailed: return refuse(kReadFailedLine);
        default: return refuse(kOpenFailedLine);
    }
}

}  // namespace

void seal_backup_image(backup_image* image, std::uint16_t vendor_id, std::uint16_t device_id) {
    backup_header& header = image->header;
    std::memcpy(header.magic, kBackupMagic, sizeof header.magic);
    header.format_version = kBackupFormatVersion;
    header.header_size = sizeof(backup_header);
    header.vendor_id = vendor_id;
    header.device_id = device_id;
    header.rom_length = kBackupRomSize;
    header.settings_length = kBackupSettingsSize;
    header.reserved = 0;
    header.crc32 = parts_crc(*image);
}

int check_backup_target(const std::filesystem::path& path) {
    if (path_exists(path)) {
        return refuse("ERROR: File already exists, a backup never replaces a file!\n");
    }
    return 0;
}

int begin_backup_file(const std::filesystem::path& path, new_durable_file* file) {
    if (check_backup_target(path) != 0) {
        return -1;
    }
    std::string reason;
    if (create_durable_file(path, sizeof(backup_image), file, &reason) != kFileOk) {
        std::fprintf(stderr, "ERROR: Could not create the backup file: %s!\n", reason.c_str());
        return -1;
    }
    return 0;
}

int finish_backup_file(new_durable_file* file, const std::filesystem::path& path, const backup_image& image) {
    std::string reason;
    const int rc = publish_durable_file(file, path, &image, sizeof image, &reason);
    if (rc == kFileTargetExists) {
        return refuse("ERROR: File already exists, a backup never replaces a file!\n");
    }
    if (rc != kFileOk) {
        std::fprintf(stderr, "ERROR: Could not write the backup file: %s!\n", reason.c_str());
        return -1;
    }
    return 0;
}

int load_backup_file(const std::filesystem::path& path, backup_image* image) {
    const long size = read_backup_bytes(path, image);
    return size < 0 ? -1 : check_backup_bytes(*image, size);
}

int check_backup_bytes(const backup_image& read, long size) {
    const backup_image* image = &read;
    const backup_header& header = image->header;
    if (size < static_cast<long>(sizeof header.magic) ||
        std::memcmp(header.magic, kBackupMagic, sizeof header.magic) != 0) {
        return refuse("ERROR: Not a backup file, wrong magic!\n");
    }
    if (size < static_cast<long>(sizeof header)) {
        return refuse("ERROR: Backup file is truncated!\n");
    }
    if (header.format_version != kBackupFormatVersion) {
        std::fprintf(stderr, "ERROR: Backup file format version %u is not supported!\n",
                     static_cast<unsigned>(header.format_version));
        return -1;
    }
    // Documented as 0: a backup that uses it was written by a format this
    // version does not know.
    if (header.reserved != 0) {
        return refuse("ERROR: Backup file header has nonzero reserved bytes, its format is not supported!\n");
    }
    if (header.header_size != sizeof header || header.rom_length != kBackupRomSize ||
        header.settings_length != kBackupSettingsSize) {
        return refuse("ERROR: Backup file has wrong part lengths!\n");
    }
    if (size < static_cast<long>(sizeof *image)) {
        return refuse("ERROR: Backup file is truncated!\n");
    }
    if (size > static_cast<long>(sizeof *image)) {
        return refuse("ERROR: Backup file has trailing data!\n");
    }
    if (header.crc32 != parts_crc(*image)) {
        return refuse("ERROR: Backup file is corrupted, CRC-32 mismatch!\n");
    }
    // An adapter without an Option ROM backs up as erased flash; anything
    // else must be an image the adapter's BIOS would take.
    if (!flash_bytes_erased(image->rom, sizeof image->rom) && !has_option_rom_signature(image->rom)) {
        return refuse("ERROR: Option ROM in backup file missing signature, probably corrupted!\n");
    }
    return 0;
}
