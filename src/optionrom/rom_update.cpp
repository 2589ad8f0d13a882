// Replacing the Option ROM in sectors 0 to 2 of the adapter's flash with an
// image file. Only the sectors the image needs are erased, so the boot
// settings record in sector 3 survives every update.
#include "optionrom/rom_update.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom.h"
#include "optionrom/option_rom_signature.h"
#include "optionrom/rom_image_file.h"
#include "platform/interrupt_hold.h"
#include "platform/progress_line.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Results of write_rom_image.
constexpr int kRomWritten = 0;
constexpr int kRomWriteFailed = 6;
constexpr int kRomImageRejected = 12;

// The smallest image accepted: the adapter list probes the first 28 bytes of
// the Option ROM.
constexpr std::uint32_t kRomImageMinSize = 28;

// Whatever the flash layer returned, the update reports 6.
int report_download_failure() {
    std::fprintf(stderr, "ERROR: Boot image download failed, error %d\n", kRomWriteFailed);
    return kRomWriteFailed;
}

// Programs the image from flash offset 0 a page at a time, the progress
// line moving after each page.
int program_rom_pieces(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size) {
    if (flash_program_region(adapter, kOptionRomOffset, size, image, flash_erased_pages::program, &kProgressLine) !=
        0) {
        // The progress line stays as it is; the error follows it.
        return report_download_failure();
    }
    return kRomWritten;
}

// Reads the image back before success is claimed. On a failure the progress
// line is ended exactly as success would end it ("\b\b\n" leaves 100.00%
// standing) and the error takes a line of its own below it.
int verify_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size) {
    const flash_region_comparison compared = flash_compare_region(adapter, kOptionRomOffset, size, image, nullptr);
    if (compared.outcome == flash_comparison::equal) {
        return kRomWritten;
    }
    end_progress_line(true);
    std::fflush(stdout);
    if (compared.outcome == flash_comparison::differs) {
        std::fprintf(stderr, "ERROR: Option ROM verification failed, flash differs from the image at offset 0x%x!\n",
                     static_cast<unsigned>(compared.first_difference));
    } else {
        std::fprintf(stderr, "ERROR: Option ROM verification failed, could not read the image back!\n");
    }
    return kRomWriteFailed;
}

}  // namespace

int write_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids) {
    if (size < kRomImageMinSize || size > kOptionRomMaxSize) {
        std::fprintf(stderr, "ERROR: Boot image has wrong size, probably corrupted!\n");
        return kRomImageRejected;
    }
    if (!has_option_rom_signature(image)) {
        std::fprintf(stderr, "ERROR: Boot image missing signature, probably corrupted!\n");
        return kRomImageRejected;
    }
    if (check_rom_image(adapter, image, size, ids) != 0) {
        return kRomImageRejected;
    }

    std::printf("Erasing Option ROM from Adapter.. please wait\n");
    const std::int32_t last_sector = static_cast<std::int32_t>((size - 1) >> kFlashSectorShift);
    if (flash_erase_sectors(adapter, kOptionRomFirstSector, last_sector) != 0) {
        return report_download_failure();
    }

    std::printf("Writing Option ROM file to Adapter... please wait\n");
    // Every accepted size is exact in single precision.
    std::printf("Option ROM size: %.0f bytes\n", static_cast<double>(static_cast<float>(size)));
    std::fflush(stdout);

    const int programmed = program_rom_pieces(adapter, image, size);
    if (programmed != kRomWritten) {
        return programmed;
    }
    const int verified = verify_rom_image(adapter, image, size);
    if (verified != kRomWritten) {
        return verified;
    }
    end_progress_line(true);
    std::printf("Option ROM flashing operation succeeded.\n");
    return kRomWritten;
}

int update_rom_from_file(std::uint8_t adapter, const std::filesystem::path& path, rom_id_check ids) {
    std::uint8_t* image = nullptr;
    std::uint32_t size = 0;
    if (load_rom_image_file(path, &image, &size) != 0) {
        return -1;
    }
    // From the first erase to the read-back the adapter has no Option ROM it
    // can boot: an interrupt waits for the end.
    int written = kRomWriteFailed;
    {
        const interrupt_hold_scope hold;
        written = write_rom_image(adapter, image, size, ids);
    }
    std::free(image);
    return written == kRomWritten ? 0 : -1;
}
