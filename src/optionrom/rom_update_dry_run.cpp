#include "optionrom/rom_update_dry_run.h"

#include "optionrom/rom_image_file.h"
#include "optionrom/rom_sector_compare.h"

#include <cstdio>
#include <cstdlib>

namespace {

int report_plan(const rom_sector_plan& plan) {
    if (plan.read_code != 0) {
        std::fprintf(stderr, "ERROR: Could not read the Option ROM of the Adapter, error %d!\n", plan.read_code);
        return -1;
    }
    if (plan.differing == 0) {
        std::printf("Option ROM unchanged, nothing to write (dry run).\n");
    } else {
        std::printf("%d of %d sectors would be erased and written; nothing written (dry run).\n",
                    static_cast<int>(plan.differing), static_cast<int>(plan.covered));
    }
    return 0;
}

}  // namespace

int dry_run_rom_update(std::uint8_t adapter, const std::filesystem::path& path, rom_id_check ids,
                       rom_update_report* report) {
    rom_update_report unused{};
    rom_update_report* found = report != nullptr ? report : &unused;
    *found = {};
    std::uint8_t* image = nullptr;
    std::uint32_t size = 0;
    if (load_rom_image_file(path, &image, &size) != 0) {
        return -1;
    }
    int rc = -1;
    if (check_update_image(adapter, image, size, ids, &found->ids) == 0) {
        found->accepted = true;
        found->plan = compare_rom_sectors(adapter, image, size);
        rc = report_plan(found->plan);
    }
    std::free(image);
    return rc;
}
