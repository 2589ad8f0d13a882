// Programming a region of the flash page by page. The region starts on a
// page, so every piece lies within one page: the flash wraps a program that
// runs past its page back to the page's start.
#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "flash/flash_region_run.h"

#include <cstdio>

int flash_program_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size, const std::uint8_t* bytes,
                         flash_erased_pages erased_pages, const flash_progress* progress) {
    if (address % kFlashPageSize != 0) {
        std::fprintf(stderr, "ERROR: flash region to program does not start on a page: 0x%x\n", address);
        return kFlashBadArgument;
    }
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t piece = size - done < kFlashPageSize ? size - done : kFlashPageSize;
        const std::uint32_t offset = done;
        done += piece;
        if (erased_pages == flash_erased_pages::skip && flash_bytes_erased(bytes + offset, piece)) {
            continue;
        }
        const int rc = flash_write_page(adapter, address + offset, piece, bytes + offset);
        if (rc != kFlashOk) {
            return rc;
        }
        flash_report_progress(progress, done, size);
    }
    return kFlashOk;
}
