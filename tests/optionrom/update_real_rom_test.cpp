// A PCI Option ROM image that this project did not make: the network boot
// ROMs of Debian's ipxe-qemu package. Written, read back byte for byte, and
// then seen by the display and the adapter list like any other Option ROM.
#include "optionrom/update_output.h"
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kPackagedRoms = "/usr/lib/ipxe/qemu";

std::vector<std::uint8_t> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The packaged ROM files in name order, the ones that fit the Option ROM
// region or the ones that do not.
std::vector<fs::path> packaged_roms(bool fitting) {
    std::vector<fs::path> roms;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(kPackagedRoms, ec)) {
        if (entry.path().extension() == ".rom" && entry.is_regular_file() &&
            (entry.file_size() <= 0x30000) == fitting) {
            roms.push_back(entry.path());
        }
    }
    std::sort(roms.begin(), roms.end());
    return roms;
}

TEST(UpdateWithPackagedRom, RomIsWrittenByteForByteAndThenShownAsPresent) {
    const std::vector<fs::path> roms = packaged_roms(true);
    if (roms.empty()) {
        GTEST_SKIP() << "no packaged Option ROM under " << kPackagedRoms;
    }
    const std::vector<std::uint8_t> rom = file_bytes(roms.front());
    ASSERT_GE(rom.size(), 2u);
    ASSERT_EQ(rom[0], 0x55);
    ASSERT_EQ(rom[1], 0xAA);

    // An adapter of device 1abc:0b10, not the ROM's, with an Option ROM of
    // version 2.7.15: the update is refused untouched, then written with --force.
    emulator_sandbox box;
    adapter_contents adapter;
    adapter.flash = make_used_flash();
    std::fill(adapter.flash.begin(), adapter.flash.begin() + kRecordOffset, 0xFF);
    adapter.set_option_rom(0x40, 2, 7, 15);
    adapter.set_config_ids(0x1abc, 0x0b10);
    adapter.write_to(box, "adapter00");
    const bytes before = adapter.flash;
    // The list shows the old ROM's version before the update.
    EXPECT_NE(box.run({"--list"}).out.find("Version: 2.7.15\n"), std::string::npos);

    const run_result refused = box.run({"--update", "0", roms.front().string()});
    EXPECT_EQ(refused.status, 255);
    EXPECT_NE(refused.err.find(", this Adapter is device 1abc:0b10, use --force to write it anyway!\n"),
              std::string::npos);
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), before);

    const run_result r = box.run({"--update", "0", roms.front().string(), "--force"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(update_header(rom.size())), std::string::npos);
    EXPECT_NE(r.out.find("written anyway as --force asks.\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - kUpdateSucceeded.size()), kUpdateSucceeded);

    const std::vector<std::uint8_t> flash = box.read_file("adapter00/flash.bin");
    const std::size_t erased_end = (rom.size() + kSectorBytes - 1) / kSectorBytes * kSectorBytes;
    EXPECT_EQ(bytes_of(flash, 0, rom.size()), rom);
    EXPECT_EQ(bytes_of(flash, rom.size(), erased_end), std::vector<std::uint8_t>(erased_end - rom.size(), 0xFF));
    EXPECT_EQ(bytes_of(flash, erased_end, kFlashBytes), bytes_of(before, erased_end, kFlashBytes));

    const run_result shown = box.run({"--display", "0"});
    const std::string present = "Adapter Index: \t0\nDescription: \tOption ROM: \tpresent\n";
    EXPECT_EQ(shown.out.substr(0, present.size()), present);
    EXPECT_EQ(shown.status, 0);

    // A ROM without a $DM$ header has no version to show.
    const run_result listed = box.run({"--list"});
    EXPECT_NE(listed.out.find("Version: 0.0.0\n"), std::string::npos);
    EXPECT_EQ(listed.out.find("Version: 2.7.15\n"), std::string::npos);
}

TEST(UpdateWithPackagedRom, RomBeyondTheRegionIsRefused) {
    const std::vector<fs::path> roms = packaged_roms(false);
    if (roms.empty()) {
        GTEST_SKIP() << "no packaged Option ROM larger than 0x30000 bytes under " << kPackagedRoms;
    }
    emulator_sandbox box;
    box.add_blank_adapter("adapter00");
    const run_result r = box.run({"--update", "0", roms.front().string()});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: File is too large!\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), std::vector<std::uint8_t>(kFlashBytes, 0xFF));
}

}  // namespace
