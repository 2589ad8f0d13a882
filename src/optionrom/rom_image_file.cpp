// The image file is taken byte for byte, from a file, a pipe or a device, and
// never read further than one byte past the largest image: an operator who
// points the update at the wrong, huge file gets a refusal, not a long read
// into memory.
#include "optionrom/rom_image_file.h"

#include "flash/flash_geometry.h"
#include "platform/file_reader.h"
#include "platform/file_refusals.h"
#include "platform/refusal.h"

#include <cstdlib>

int load_rom_image_file(const std::filesystem::path& path, std::uint8_t** image, std::uint32_t* size) {
    // The largest image's room whatever the file: an empty file still gets
    // a buffer and is refused later for its size.
    auto* buffer = static_cast<std::uint8_t*>(std::calloc(kOptionRomMaxSize, 1));
    if (buffer == nullptr) {
        return -1;
    }
    std::size_t count = 0;
    bool more = false;
    const int read = read_bounded_file(path, kTakesAnyFile, buffer, kOptionRomMaxSize, &count, &more);
    if (read != kReadOk || more) {
        std::free(buffer);
        return refuse(read == kReadFailed ? kReadFailedLine : read == kReadOk ? kTooLargeLine : kOpenFailedLine);
    }
    *image = buffer;
    *size = static_cast<std::uint32_t>(count);
    return 0;
}
