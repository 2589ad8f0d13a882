// Erasing 64 KiB sectors, one at a time: write enable, the sector-erase
// command with the sector's start address, then the long wait for the flash.
#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "flash/flash_status_poll.h"
#include "flash/flash_wire_format.h"

#include <cstdint>
#include <cstdio>

namespace {

// A sector erase takes from a few hundred milliseconds to about two seconds,
// so the status is looked at every half second.
constexpr std::uint32_t kSectorErasePollDelayMs = 500;

constexpr std::int32_t kFlashSectorCount = static_cast<std::int32_t>(kFlashSize >> kFlashSectorShift);

}  // namespace

int flash_erase_sectors(std::uint8_t adapter, std::int32_t first_sector, std::int32_t last_sector) {
    // An empty or negative range is nothing to do, not an error.
    if (first_sector > last_sector || first_sector < 0) {
        return kFlashOk;
    }
    // Beyond the last sector the flash would wrap the address and erase a
    // sector at its start instead. Refuse the whole range before erasing any.
    if (last_sector >= kFlashSectorCount) {
        std::fprintf(stderr, "ERROR: invalid address, outside of flash size!\n");
        return kFlashBadArgument;
    }
    for (std::int32_t sector = first_sector; sector <= last_sector; ++sector) {
        const auto start = static_cast<std::uint32_t>(sector) << kFlashSectorShift;
        // Each erase is its own command and consumes the write enable, so
        // every sector needs a fresh one.
        int result = flash_write_op(adapter, 1, 0, kFlashCommandWriteEnable);
        if (result != kFlashOk) {
            return result;
        }
        result = flash_write_op(adapter, 4, 0, flash_command_word(kFlashCommandSectorErase, start));
        if (result != kFlashOk) {
            return result;
        }
        // Finish this sector before touching the next: a failure then leaves
        // every earlier sector fully erased.
        result = flash_poll_status(adapter, kSectorErasePollDelayMs);
        if (result != kFlashOk) {
            return result;
        }
    }
    return kFlashOk;
}
