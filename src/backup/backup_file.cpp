#include "backup/backup_file.h"

#include "backup/crc32.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom_signature.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::uint32_t parts_crc(const backup_image& image) {
    return crc32_update(0, image.rom, sizeof image.rom + sizeof image.settings);
}

// The path in the platform's own form: bytes on POSIX systems, UTF-16 on
// Windows, where fopen would take the ANSI code page and miss every name
// outside it.
std::FILE* open_path(const std::filesystem::path& path, bool for_writing) {
#ifdef _WIN32
    return _wfopen(path.c_str(), for_writing ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), for_writing ? "wb" : "rb");
#endif
}

void remove_quietly(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

bool path_exists(const std::filesystem::path& path) {
    std::error_code error;
    // symlink_status: a dangling link is an existing name too.
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

// A free name beside the target for the bytes in flight.
bool choose_temporary_path(const std::filesystem::path& target, std::filesystem::path* temporary) {
    for (int n = 0; n < 100; ++n) {
        *temporary = target;
        *temporary += ".partial" + std::to_string(n);
        if (!path_exists(*temporary)) {
            return true;
        }
    }
    return false;
}

bool write_all(const std::filesystem::path& path, const backup_image& image) {
    std::FILE* file = open_path(path, true);
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(&image, sizeof image, 1, file) == 1;
    // fclose flushes: a full disk may only show here.
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

int refuse(const char* message) {
    std::fputs(message, stderr);
    return -1;
}

// Reads the whole file, one byte beyond a backup's size so that trailing
// data is seen. The byte count read, or -1 after its message.
long read_backup_bytes(const std::filesystem::path& path, backup_image* image) {
    std::error_code error;
    std::FILE* file = std::filesystem::is_directory(path, error) ? nullptr : open_path(path, false);
    if (file == nullptr) {
        return refuse("ERROR: Could not open the file!\n");
    }
    std::memset(image, 0, sizeof *image);
    std::size_t count = std::fread(image, 1, sizeof *image, file);
    std::uint8_t extra = 0;
    if (count == sizeof *image) {
        count += std::fread(&extra, 1, 1, file);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return refuse("ERROR: Could not read from the file!\n");
    }
    return static_cast<long>(count);
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

int write_backup_file(const std::filesystem::path& path, const backup_image& image) {
    if (check_backup_target(path) != 0) {
        return -1;
    }
    std::filesystem::path temporary;
    if (!choose_temporary_path(path, &temporary) || !write_all(temporary, image)) {
        remove_quietly(temporary);
        return refuse("ERROR: Could not write the backup file!\n");
    }
    // Checked again just before the rename, which would replace a file made
    // in the meantime.
    if (check_backup_target(path) != 0) {
        remove_quietly(temporary);
        return -1;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        remove_quietly(temporary);
        return refuse("ERROR: Could not write the backup file!\n");
    }
    return 0;
}

int load_backup_file(const std::filesystem::path& path, backup_image* image) {
    const long size = read_backup_bytes(path, image);
    if (size < 0) {
        return -1;
    }
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
