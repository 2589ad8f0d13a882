// The backup file: what an adapter's flash held in its Option ROM region and
// its boot settings record, with the adapter's identity and a checksum.
//
//   offset  size  field
//   0       8     magic "HBABCKUP"
//   8       2     format version, 1
//   10      2     header size, 32
//   12      2     PCI vendor ID of the adapter (0: could not be read)
//   14      2     PCI device ID of the adapter (0: could not be read)
//   16      4     length of the Option ROM part, 0x30000
//   20      4     length of the settings part, 448
//   24      4     CRC-32 of everything after the header
//   28      4     reserved, 0
//   32            the Option ROM part (flash 0x00000-0x2FFFF), then the
//                 settings part (flash 0x30000-0x301BF)
// Every number is little-endian.
#pragma once

#include "flash/flash_geometry.h"
#include "platform/durable_file.h"
#include "settings/boot_settings_record.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>

// The header is read and written as it lies in memory, which is right on the
// little-endian machines the utility is built for.
static_assert(std::endian::native == std::endian::little);

inline constexpr char kBackupMagic[8] = {'H', 'B', 'A', 'B', 'C', 'K', 'U', 'P'};
inline constexpr std::uint16_t kBackupFormatVersion = 1;
inline constexpr std::uint32_t kBackupRomSize = kOptionRomMaxSize;
inline constexpr std::uint32_t kBackupSettingsSize = kSettingsWrittenSize;

#pragma pack(push, 1)
struct backup_header {
    char magic[8];
    std::uint16_t format_version;
    std::uint16_t header_size;
    std::uint16_t vendor_id;
    std::uint16_t device_id;
    std::uint32_t rom_length;
    std::uint32_t settings_length;
    std::uint32_t crc32;
    std::uint32_t reserved;
};

struct backup_image {
    backup_header header;
    std::uint8_t rom[kBackupRomSize];
    std::uint8_t settings[kBackupSettingsSize];
};
#pragma pack(pop)
static_assert(offsetof(backup_header, format_version) == 8);
static_assert(offsetof(backup_header, header_size) == 10);
static_assert(offsetof(backup_header, vendor_id) == 12);
static_assert(offsetof(backup_header, device_id) == 14);
static_assert(offsetof(backup_header, rom_length) == 16);
static_assert(offsetof(backup_header, settings_length) == 20);
static_assert(offsetof(backup_header, crc32) == 24);
static_assert(offsetof(backup_header, reserved) == 28);
static_assert(sizeof(backup_header) == 32);
static_assert(offsetof(backup_image, rom) == 32);
static_assert(offsetof(backup_image, settings) == 32 + kBackupRomSize);
static_assert(sizeof(backup_image) == 32 + kBackupRomSize + kBackupSettingsSize);

// Fills in magic, version, sizes and the CRC over the parts already in image.
void seal_backup_image(backup_image* image, std::uint16_t vendor_id, std::uint16_t device_id);

// Whether path is free for a new backup: 0, or -1 after its message.
int check_backup_target(const std::filesystem::path& path);

// Starts a new backup file for path, before the flash is read: refused with
// one "ERROR: " line when path is taken or when the file cannot be made in
// its folder (no such folder, permission denied, disk full). 0, or -1.
int begin_backup_file(const std::filesystem::path& path, new_durable_file* file);

// Writes image into the file begun for path and gives it that name, never
// replacing a file that appeared meanwhile; owner-only and on the disk before
// it is named. 0, or -1 after its message; no file is left on failure.
int finish_backup_file(new_durable_file* file, const std::filesystem::path& path, const backup_image& image);

// Loads and checks a backup file, which must be a regular file: magic,
// format version and reserved field, lengths, CRC and the Option ROM part's
// signature. 0, or -1 after one "ERROR: " line.
int load_backup_file(const std::filesystem::path& path, backup_image* image);

// The checks of load_backup_file on a backup already read: size is the
// number of bytes the file holds, one more than image's size when anything
// trails it. 0, or -1 after one "ERROR: " line.
int check_backup_bytes(const backup_image& image, long size);
