// Replacing the Option ROM in sectors 0 to 2 of the adapter's flash with an
// image file. Only the sectors the image needs are erased, so the boot
// settings record in sector 3 survives every update, and of those only the
// ones whose flash differs from what the update would leave there: an image
// applied again erases nothing, and every erase is wear and a moment in
// which the adapter has no Option ROM it can boot.
#include "optionrom/rom_update.h"

#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "optionrom/option_rom.h"
#include "optionrom/option_rom_signature.h"
#include "optionrom/rom_image_file.h"
#include "optionrom/rom_sector_compare.h"
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

// Each differing sector is erased on its own, in order; the first failure
// ends the erase as it would end one over the whole range. A sector counts
// as erased from the moment its erase is sent: one that fails may have
// cleared part of it.
int erase_differing_sectors(std::uint8_t adapter, const rom_sector_plan& plan, bool* erased) {
    for (std::int32_t sector = 0; sector < plan.covered; ++sector) {
        if (!plan.differs[sector]) {
            continue;
        }
        erased[sector] = true;
        if (flash_erase_sectors(adapter, sector, sector) != 0) {
            return kRomWriteFailed;
        }
    }
    return kRomWritten;
}

// The progress over the whole image, told by one sector's part at a time: a
// sector left as it was moves it on by its whole size.
struct image_progress {
    std::uint32_t offset;          // of the sector's part in the image
    std::uint32_t size;            // of the image
    const progress_report* shown;  // null: nothing shows
};

void report_image_progress(void* context, std::uint32_t done, std::uint32_t /*total*/) {
    const auto* image = static_cast<const image_progress*>(context);
    if (image->shown != nullptr) {
        image->shown->report(image->shown->context, image->offset + done, image->size);
    }
}

// Programs the image's part of each differing sector a page at a time, the
// progress moving after each page and ending at 100%.
int program_rom_pieces(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, const rom_sector_plan& plan,
                       const progress_report* shown) {
    for (std::int32_t sector = 0; sector < plan.covered; ++sector) {
        if (!plan.differs[sector]) {
            continue;
        }
        image_progress part = {static_cast<std::uint32_t>(sector) * kFlashSectorSize, size, shown};
        const std::uint32_t length = size - part.offset < kFlashSectorSize ? size - part.offset : kFlashSectorSize;
        const flash_progress progress = {report_image_progress, &part};
        if (flash_program_region(adapter, kOptionRomOffset + part.offset, length, image + part.offset,
                                 flash_erased_pages::program, &progress) != 0) {
            // The progress line stays as it is; the error follows it.
            return report_download_failure();
        }
    }
    if (!plan.differs[plan.covered - 1] && shown != nullptr) {
        shown->report(shown->context, size, size);
    }
    return kRomWritten;
}

// "\b\b\n" leaves 100.00% standing. Without a progress line shown there is
// nothing to end.
void end_image_progress(const progress_report* shown) {
    if (shown != nullptr) {
        end_progress_line(true);
    }
}

// Reads the image back before success is claimed. On a failure the progress
// line is ended exactly as success would end it and the error takes a line
// of its own below it.
int verify_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size,
                     const progress_report* shown) {
    const flash_region_comparison compared = flash_compare_region(adapter, kOptionRomOffset, size, image, nullptr);
    if (compared.outcome == flash_comparison::equal) {
        return kRomWritten;
    }
    end_image_progress(shown);
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

int check_update_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids,
                       rom_image_ids* found) {
    if (size < kRomImageMinSize || size > kOptionRomMaxSize) {
        std::fprintf(stderr, "ERROR: Boot image has wrong size, probably corrupted!\n");
        return kRomImageRejected;
    }
    if (!has_option_rom_signature(image)) {
        std::fprintf(stderr, "ERROR: Boot image missing signature, probably corrupted!\n");
        return kRomImageRejected;
    }
    if (check_rom_image(adapter, image, size, ids, found) != 0) {
        return kRomImageRejected;
    }
    return kRomWritten;
}

int write_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids,
                    const progress_report* progress, rom_update_report* report) {
    rom_update_report unused{};
    rom_update_report* done = report != nullptr ? report : &unused;
    *done = {};
    const int checked = check_update_image(adapter, image, size, ids, &done->ids);
    if (checked != kRomWritten) {
        return checked;
    }
    // A comparing read that fails has printed its lines and counts every
    // covered sector as differing: the update goes on as it would without.
    done->accepted = true;
    done->plan = compare_rom_sectors(adapter, image, size);
    const rom_sector_plan& plan = done->plan;
    if (plan.differing == 0) {
        std::printf("Option ROM unchanged, nothing written.\n");
        return kRomImageUnchanged;
    }

    std::printf("Erasing Option ROM from Adapter.. please wait\n");
    if (erase_differing_sectors(adapter, plan, done->erased) != kRomWritten) {
        return report_download_failure();
    }

    std::printf("Writing Option ROM file to Adapter... please wait\n");
    // Every accepted size is exact in single precision.
    std::printf("Option ROM size: %.0f bytes\n", static_cast<double>(static_cast<float>(size)));
    std::fflush(stdout);

    const int programmed = program_rom_pieces(adapter, image, size, plan, progress);
    if (programmed != kRomWritten) {
        return programmed;
    }
    const int verified = verify_rom_image(adapter, image, size, progress);
    if (verified != kRomWritten) {
        return verified;
    }
    end_image_progress(progress);
    std::printf("Option ROM flashing operation succeeded.\n");
    return kRomWritten;
}

int update_rom_from_file(std::uint8_t adapter, const std::filesystem::path& path, rom_id_check ids,
                         const progress_report* progress, rom_update_report* report) {
    if (report != nullptr) {
        *report = {};
    }
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
        written = write_rom_image(adapter, image, size, ids, progress, report);
    }
    std::free(image);
    if (written == kRomImageUnchanged) {
        return kRomImageUnchanged;
    }
    return written == kRomWritten ? 0 : -1;
}
