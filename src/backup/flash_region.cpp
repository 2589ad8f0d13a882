#include "backup/flash_region.h"

#include "flash/flash_operations.h"
#include "optionrom/rom_progress.h"

#include <cstring>

namespace {

// One fast-read command per 4 KiB costs little next to its 1024 word
// transfers; the words land in an aligned buffer and are copied out, since
// the destination may lie anywhere in a packed record.
constexpr std::uint32_t kReadRun = 4096;

}  // namespace

int read_flash_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size, std::uint8_t* bytes,
                      bool progress) {
    std::uint32_t words[kReadRun / 4];
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t length = size - done < kReadRun ? size - done : kReadRun;
        const int rc = flash_read_words(adapter, address + done, length / 4, words);
        if (rc != 0) {
            return rc;
        }
        std::memcpy(bytes + done, words, length);
        done += length;
        if (progress) {
            print_rom_progress(rom_progress_percent(size, size - done));
        }
    }
    return 0;
}
