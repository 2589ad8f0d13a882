// A backup file as --restore and --verify load it, twice: the bytes as they
// are, and the bytes made into a file of a backup's exact size (the first
// 32 the header, the rest the start of the parts, erased flash after them)
// with the CRC-32 made right, so that the checks behind the length and CRC
// checks are reached too.
#include "backup/backup_file.h"
#include "backup/crc32.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz_folder() + "/backup.bin";
    static const auto image = std::make_unique<backup_image>();
    static const auto whole = std::make_unique<backup_image>();

    write_fuzz_file(path, data, size);
    load_backup_file(path, image.get());

    auto* bytes = reinterpret_cast<std::uint8_t*>(whole.get());
    std::memset(bytes, 0, sizeof whole->header);
    std::memset(bytes + sizeof whole->header, 0xFF, sizeof *whole - sizeof whole->header);
    std::memcpy(bytes, data, std::min(size, sizeof *whole));
    whole->header.crc32 = crc32_update(0, bytes + sizeof whole->header, sizeof *whole - sizeof whole->header);
    write_fuzz_file(path, bytes, sizeof *whole);
    load_backup_file(path, image.get());
    return 0;
}
