// Reading a region of the flash, a run at a time.
#include "flash/flash_controller.h"
#include "flash/flash_operations.h"
#include "flash/flash_region_run.h"

#include <cstring>

int flash_read_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size, std::uint8_t* bytes,
                      const flash_progress* progress) {
    flash_region_run run;
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t length = flash_region_run_length(size - done);
        const int rc = flash_read_run(adapter, address + done, length, &run);
        if (rc != kFlashOk) {
            return rc;
        }
        std::memcpy(bytes + done, run.bytes(), length);
        done += length;
        flash_report_progress(progress, done, size);
    }
    return kFlashOk;
}
