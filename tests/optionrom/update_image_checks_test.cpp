// What the system firmware would refuse to run is refused before the erase:
// chains, PC-AT checksums and the adapter's IDs, through the binary over an
// emulated adapter of device 1abc:0b10.
#include "optionrom/update_output.h"
#include "support/adapter_contents.h"
#include "support/flash_wire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct rom_part {
    std::size_t blocks;
    std::uint16_t vendor_id;
    std::uint16_t device_id;
    std::uint8_t code_type;  // 0 PC-AT, 3 EFI
    std::uint16_t listed_device = 0;
};

void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint16_t value) {
    v[at] = static_cast<std::uint8_t>(value);
    v[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A chain of images: ROM header, PCIR at 0x20, device list at 0x40 when
// one is named, and for PC-AT images a last byte making the sum zero.
std::vector<std::uint8_t> make_chain(const std::vector<rom_part>& parts) {
    std::vector<std::uint8_t> out;
    for (std::size_t n = 0; n < parts.size(); ++n) {
        const rom_part& p = parts[n];
        std::vector<std::uint8_t> image = make_rom_image(p.blocks * 512);
        image[2] = static_cast<std::uint8_t>(p.blocks);
        put16(image, 0x18, 0x20);
        const std::uint8_t pcir[4] = {'P', 'C', 'I', 'R'};
        std::copy(std::begin(pcir), std::end(pcir), image.begin() + 0x20);
        put16(image, 0x24, p.vendor_id);
        put16(image, 0x26, p.device_id);
        put16(image, 0x28, p.listed_device != 0 ? 0x20 : 0);
        put16(image, 0x2A, 0x18);
        image[0x2C] = 3;
        put16(image, 0x30, static_cast<std::uint16_t>(p.blocks));
        image[0x34] = p.code_type;
        image[0x35] = n + 1 == parts.size() ? 0x80 : 0x00;
        if (p.listed_device != 0) {
            put16(image, 0x40, 0x0b99);
            put16(image, 0x42, p.listed_device);
            put16(image, 0x44, 0);
        }
        if (p.code_type == 0) {
            unsigned sum = 0;
            for (std::size_t i = 0; i + 1 < image.size(); ++i) {
                sum += image[i];
            }
            image.back() = static_cast<std::uint8_t>(0x100 - sum % 0x100);
        }
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

struct refusal_case {
    const char* name;
    std::vector<std::uint8_t> image;
    bool force;
    const char* faults;  // adapter00/faults
    bool written;
    std::string line;  // expected in stderr (refused) or stdout (written)
};

std::vector<refusal_case> refusal_cases() {
    const rom_part ours{2, 0x1abc, 0x0b10, 0};
    const rom_part other{2, 0x8086, 0x100e, 0};
    std::vector<std::uint8_t> cut = make_chain({ours, {2, 0x1abc, 0x0b10, 3}});
    cut.resize(cut.size() - 512);
    std::vector<std::uint8_t> wrong_sum = make_chain({ours});
    wrong_sum[0x100] ^= 0x01;
    std::vector<std::uint8_t> unsigned_second = make_chain({ours, {2, 0x1abc, 0x0b10, 3}});
    unsigned_second[1024] = 0x00;
    std::vector<std::uint8_t> undeclared = make_rom_image(1024);
    std::vector<std::uint8_t> second_without_pcir = make_chain({ours, {2, 0x1abc, 0x0b10, 3}});
    second_without_pcir[1024 + 0x20] = 'X';
    std::vector<std::uint8_t> second_of_length_zero = make_chain({ours, {2, 0x1abc, 0x0b10, 3}});
    put16(second_of_length_zero, 1024 + 0x30, 0);
    // The ROM header claims more than the PCI data structure and the file.
    std::vector<std::uint8_t> header_past_end = make_chain({ours});
    header_past_end[2] = 4;
    return {
        {"other adapter", make_chain({other}), false, "", false,
         "ERROR: Boot image is for device 8086:100e, this Adapter is device 1abc:0b10, use --force to write it "
         "anyway!\n"},
        {"other adapter forced", make_chain({other}), true, "", true,
         "Boot image is for device 8086:100e, this Adapter is device 1abc:0b10, written anyway as --force asks.\n"},
        {"device list", make_chain({{2, 0x1abc, 0x0bff, 0, 0x0b10}}), false, "", true, ""},
        {"pc-at and efi", make_chain({ours, {3, 0x1abc, 0x0b10, 3}}), false, "", true, ""},
        {"cut chain", cut, false, "", false,
         "ERROR: Boot image is cut short, image 2 at offset 0x400 runs past the end of the file, probably an "
         "incomplete "
         "download!\n"},
        {"wrong sum", wrong_sum, false, "", false,
         "ERROR: Boot image checksum is wrong, image 1 at offset 0x0 sums to 0xff instead of 0, probably "
         "corrupted!\n"},
        {"second unsigned", unsigned_second, false, "", false,
         "ERROR: Boot image is corrupted, image 2 at offset 0x400 does not begin with 0x55 0xAA!\n"},
        {"ids unreadable", make_chain({other}), false, "config-read-error 31\n", true,
         "The Adapter's vendor and device IDs could not be read, they are not compared with the image's.\n"},
        {"no pci data", undeclared, false, "", true, ""},
        {"device list without ours", make_chain({{2, 0x1abc, 0x0bff, 0, 0x0b55}}), false, "", false,
         "ERROR: Boot image is for device 1abc:0bff, this Adapter is device 1abc:0b10, use --force to write it "
         "anyway!\n"},
        {"second without pci data", second_without_pcir, true, "", false,
         "ERROR: Boot image is corrupted, image 2 at offset 0x400 has no PCI data structure!\n"},
        {"second of length 0", second_of_length_zero, true, "", false,
         "ERROR: Boot image is corrupted, image 2 at offset 0x400 declares a length of 0!\n"},
        {"header past the end", header_past_end, true, "", false,
         "ERROR: Boot image is cut short, image 1 at offset 0x0 runs past the end of the file, probably an "
         "incomplete download!\n"},
    };
}

TEST(UpdateImageChecks, RefusedUntouchedOrWrittenWhole) {
    for (const refusal_case& c : refusal_cases()) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        adapter_contents adapter;
        adapter.set_config_ids(0x1abc, 0x0b10);
        adapter.flash = make_used_flash();
        adapter.faults = c.faults;
        adapter.write_to(box, "adapter00");
        const bytes before = adapter.flash;
        box.write_file("image.rom", c.image);
        std::vector<std::string> args = {"--update", "0", box.folder("image.rom")};
        if (c.force) {
            args.push_back("--force");
        }
        const run_result r = box.run(args, true);
        const std::vector<std::uint8_t> flash = box.read_file("adapter00/flash.bin");
        const std::string trace = box.read_text("trace.log");
        if (c.written) {
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.err, "");
            EXPECT_NE(r.out.find(c.line), std::string::npos) << r.out;
            EXPECT_NE(r.out.find(kUpdateSucceeded), std::string::npos);
            EXPECT_EQ(erased_sectors_in_trace(trace), std::vector<int>{0});
            EXPECT_EQ(bytes_of(flash, 0, c.image.size()), c.image);
            EXPECT_EQ(bytes_of(flash, kRecordOffset, kFlashBytes), bytes_of(before, kRecordOffset, kFlashBytes));
        } else {
            EXPECT_EQ(r.status, 255);
            EXPECT_EQ(r.err, c.line);
            EXPECT_EQ(flash, before);
            EXPECT_EQ(erased_sectors_in_trace(trace), std::vector<int>{});
            EXPECT_TRUE(programmed_pieces_in_trace(trace).empty());
        }
    }
}

}  // namespace
