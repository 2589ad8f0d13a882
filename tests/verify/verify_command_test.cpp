// --verify reads the adapter and compares it with an image or a backup,
// writing nothing, through the binary over an emulated adapter.
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct verify_case {
    const char* name;
    const char* file;  // image.rom or adapter.bak
    std::function<void(const emulator_sandbox&)> change;
    int status;
    std::string out_line;  // expected in stdout
    std::string err;
};

TEST(VerifyCommand, ComparesWithoutWriting) {
    const std::vector<std::uint8_t> image = make_rom_image(1024);
    const auto flip = [](const emulator_sandbox& box, const char* file, std::size_t at) {
        std::vector<std::uint8_t> bytes = box.read_file(file);
        bytes[at] ^= 0x01;
        box.write_file(file, bytes);
    };
    const std::vector<verify_case> cases = {
        {"image equal", "image.rom", [](const emulator_sandbox&) {}, 0, "Flash equals the image (1024 bytes).\n", ""},
        {"image last byte", "image.rom", [&](const emulator_sandbox& box) { flip(box, "image.rom", 1023); }, 255,
         "Flash differs from the image at offset 0x3ff: 1 of 1024 bytes differ.\n", ""},
        {"backup equal", "adapter.bak", [](const emulator_sandbox&) {}, 0,
         "Flash equals the backup (Option ROM and settings).\n", ""},
        {"settings changed", "adapter.bak",
         [&](const emulator_sandbox& box) { flip(box, "adapter00/flash.bin", kRecordOffset + 0x20); }, 255,
         "Flash differs from the backup at offset 0x30020: 0 bytes differ in the Option ROM, 1 in the settings.\n", ""},
        {"reads fail", "image.rom",
         [](const emulator_sandbox& box) { box.write_text("adapter00/faults", "fail-after 40\n"); }, 255, "",
         "ERROR: register read failed with error code: 1167!\n"
         "ERROR: could not read from serial flash!\n"
         "ERROR: could not read from serial flash!\n"
         "ERROR: Could not read the flash of the Adapter, error 5, nothing compared!\n"},
    };
    for (const verify_case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        box.add_blank_adapter("adapter00");
        std::vector<std::uint8_t> flash = make_used_flash();
        std::copy(image.begin(), image.end(), flash.begin());
        box.write_file("adapter00/flash.bin", flash);
        box.write_file("image.rom", image);
        ASSERT_EQ(box.run({"--backup", "0", box.folder("adapter.bak")}).status, 0);
        c.change(box);
        const std::vector<std::uint8_t> before = box.read_file("adapter00/flash.bin");
        const run_result r = box.run({"--verify", "0", box.folder(c.file)});
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        if (!c.out_line.empty()) {
            EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), c.out_line.size())), c.out_line) << r.out;
        }
        EXPECT_EQ(box.read_file("adapter00/flash.bin"), before);
    }
}

// A backup whose bytes were damaged is refused as the restore refuses it; a
// file that is neither an image nor a backup, or none at all, is refused
// too. Each with one line, nothing compared.
TEST(VerifyCommand, CorruptedBackupMissingFileAndOtherFilesAreRefused) {
    emulator_sandbox box;
    box.add_blank_adapter("adapter00");
    box.write_file("adapter00/flash.bin", make_used_flash());
    ASSERT_EQ(box.run({"--backup", "0", box.folder("adapter.bak")}).status, 0);
    std::vector<std::uint8_t> backup = box.read_file("adapter.bak");
    backup[backup.size() / 2] ^= 0x40;
    box.write_file("adapter.bak", backup);
    box.write_text("notes.txt", "vlanid=9\n");
    for (const char* file : {"adapter.bak", "notes.txt", "missing.rom"}) {
        SCOPED_TRACE(file);
        const run_result r = box.run({"--verify", "0", box.folder(file)});
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.out.find("Flash equals"), std::string::npos);
        if (std::string(file) == "notes.txt") {
            EXPECT_EQ(r.err, "ERROR: File is neither an Option ROM image nor a backup file!\n");
        }
    }
    EXPECT_EQ(box.read_file("adapter00/flash.bin"), make_used_flash());
}

}  // namespace
