// Programming one page: write enable, the page-program command with its
// address, the data four bytes at a time, and then the flash's own busy time.
//
// A page program never crosses a page boundary: the flash wraps the address
// within the page, so the bytes beyond it would overwrite the page's start.
#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "flash/flash_status_poll.h"
#include "flash/flash_wire_format.h"

#include <cstdint>
#include <cstdio>

namespace {

// A page programs in well under a millisecond on a typical part, so the
// status is looked at every millisecond.
constexpr std::uint32_t kPageProgramPollDelayMs = 1;

// Up to four data bytes in wire order, the first in bits 0-7; unused high
// bytes stay 0.
std::uint32_t pack_chunk(const std::uint8_t* data, std::uint32_t count) {
    std::uint32_t word = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        word |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    }
    return word;
}

}  // namespace

int flash_write_page(std::uint8_t adapter, std::uint32_t address, std::uint32_t byte_count, const std::uint8_t* data) {
    // Written as "address > size - count" so that an address near 4 GiB
    // cannot wrap the end of the range back into the flash.
    const std::uint32_t page_end = address % kFlashPageSize + byte_count;
    if (byte_count > kFlashSize || address > kFlashSize - byte_count || page_end > kFlashPageSize) {
        std::fprintf(stderr, "ERROR: write offset outside of flash size: 0x%x\n", page_end);
        return kFlashBadArgument;
    }
    // Nothing to program: send nothing, so no write enable is left latched
    // and no command is left open.
    if (byte_count == 0) {
        return kFlashOk;
    }

    int result = flash_write_op(adapter, 1, 0, kFlashCommandWriteEnable);
    if (result != kFlashOk) {
        return result;
    }
    result = flash_write_op(adapter, 4, 1, flash_command_word(kFlashCommandPageProgram, address));
    if (result != kFlashOk) {
        return result;
    }
    for (std::uint32_t sent = 0; sent < byte_count;) {
        const std::uint32_t remaining = byte_count - sent;
        const std::uint32_t chunk = remaining < kFlashMaxTransferBytes ? remaining : kFlashMaxTransferBytes;
        // The last chunk deselects the flash, which starts the programming.
        const std::uint32_t more = remaining > chunk ? 1 : 0;
        result = flash_write_op(adapter, chunk, more, pack_chunk(data + sent, chunk));
        if (result != kFlashOk) {
            return result;
        }
        sent += chunk;
    }
    return flash_poll_status(adapter, kPageProgramPollDelayMs);
}
