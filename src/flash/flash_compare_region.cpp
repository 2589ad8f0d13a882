// Comparing a region of the flash with the bytes meant to be there, a run at
// a time, so that a difference early in a large region is found without
// reading the rest.
#include "flash/flash_controller.h"
#include "flash/flash_operations.h"
#include "flash/flash_region_run.h"

#include <cstring>

namespace {

std::uint32_t first_differing_byte(const std::uint8_t* a, const std::uint8_t* b) {
    std::uint32_t i = 0;
    while (a[i] == b[i]) {
        ++i;
    }
    return i;
}

}  // namespace

flash_region_comparison flash_compare_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size,
                                             const std::uint8_t* expected, const flash_progress* progress) {
    flash_region_run run;
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t length = flash_region_run_length(size - done);
        const int rc = flash_read_run(adapter, address + done, length, &run);
        if (rc != kFlashOk) {
            return {flash_comparison::unreadable, 0, rc};
        }
        if (std::memcmp(run.bytes(), expected + done, length) != 0) {
            return {flash_comparison::differs, done + first_differing_byte(run.bytes(), expected + done), 0};
        }
        done += length;
        flash_report_progress(progress, done, size);
    }
    return {flash_comparison::equal, 0, 0};
}
