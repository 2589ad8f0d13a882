#include "optionrom/rom_sector_compare.h"

#include "flash/flash_operations.h"

#include <cstring>
#include <vector>

namespace {

// The sector as the update leaves it: the image's part, then erased bytes.
void expected_sector(const std::uint8_t* image, std::uint32_t size, std::int32_t sector, std::uint8_t* out) {
    const std::uint32_t start = static_cast<std::uint32_t>(sector) * kFlashSectorSize;
    const std::uint32_t left = size - start;
    const std::uint32_t taken = left < kFlashSectorSize ? left : kFlashSectorSize;
    std::memcpy(out, image + start, taken);
    std::memset(out + taken, kFlashErasedByte, kFlashSectorSize - taken);
}

}  // namespace

rom_sector_plan compare_rom_sectors(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size) {
    rom_sector_plan plan = {};
    plan.covered = static_cast<std::int32_t>((size - 1) >> kFlashSectorShift) + 1;
    std::vector<std::uint8_t> expected(kFlashSectorSize);
    for (std::int32_t sector = 0; sector < plan.covered; ++sector) {
        expected_sector(image, size, sector, expected.data());
        const std::uint32_t address = kOptionRomOffset + static_cast<std::uint32_t>(sector) * kFlashSectorSize;
        const flash_region_comparison compared =
            flash_compare_region(adapter, address, kFlashSectorSize, expected.data(), nullptr);
        if (compared.outcome == flash_comparison::unreadable) {
            plan.read_code = compared.read_code;
            break;
        }
        plan.differs[sector] = compared.outcome == flash_comparison::differs;
        ++plan.compared;
    }
    if (plan.read_code != 0) {
        for (std::int32_t sector = 0; sector < plan.covered; ++sector) {
            plan.differs[sector] = true;
        }
    }
    plan.differing = 0;
    for (std::int32_t sector = 0; sector < plan.covered; ++sector) {
        plan.differing += plan.differs[sector] ? 1 : 0;
    }
    return plan;
}
