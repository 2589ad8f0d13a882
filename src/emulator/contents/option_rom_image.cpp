#include "emulator/contents/option_rom_image.h"

#include <cstdlib>
#include <cstring>

namespace {

void put16(std::vector<std::uint8_t>& image, std::uint32_t at, std::uint16_t value) {
    image[at] = static_cast<std::uint8_t>(value);
    image[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put_text(std::vector<std::uint8_t>& image, std::uint32_t at, const char* text) {
    std::memcpy(image.data() + at, text, std::strlen(text));
}

// The ROM header of the PC-AT image: signature, length in blocks (one byte:
// what the checksum covers), the entry point (a far return: this image boots
// nothing), and the pointer to the PCI data structure at 0x18 (0: none).
void put_rom_header(std::vector<std::uint8_t>& image, std::uint32_t blocks, std::uint16_t pci_data) {
    image[0] = 0x55;
    image[1] = 0xAA;
    image[2] = static_cast<std::uint8_t>(blocks);
    image[3] = 0xCB;
    put16(image, 0x18, pci_data);
}

// "PCIR" at at: IDs, no VPD pointer, structure length 0x18, revision 0, class
// code network controller, image length in blocks, code revision, code type,
// and whether it is the last image.
void put_pci_data_structure(std::vector<std::uint8_t>& image, std::uint32_t at, const option_rom_recipe& recipe,
                            std::uint32_t blocks, std::uint8_t code_type, bool last) {
    put_text(image, at, "PCIR");
    put16(image, at + 0x04, recipe.vendor_id);
    put16(image, at + 0x06, recipe.device_id);
    put16(image, at + 0x0A, 0x18);
    image[at + 0x0D] = 0x00;  // programming interface
    image[at + 0x0E] = 0x00;  // subclass: Ethernet
    image[at + 0x0F] = 0x02;  // base class: network controller
    put16(image, at + 0x10, static_cast<std::uint16_t>(blocks));
    put16(image, at + 0x12, static_cast<std::uint16_t>(recipe.version.major << 8 | recipe.version.minor));
    image[at + 0x14] = code_type;
    image[at + 0x15] = last ? 0x80 : 0x00;
}

// The EFI image that follows the PC-AT one in a large ROM: its header
// (initialization size, the EFI signature 0x0EF1, a boot service driver for
// x64, uncompressed) and its PCI data structure.
void put_efi_image(std::vector<std::uint8_t>& image, std::uint32_t at, const option_rom_recipe& recipe,
                   std::uint32_t blocks) {
    image[at] = 0x55;
    image[at + 1] = 0xAA;
    put16(image, at + 0x02, static_cast<std::uint16_t>(blocks));
    put16(image, at + 0x04, 0x0EF1);
    put16(image, at + 0x06, 0x0000);
    put16(image, at + 0x08, 0x000B);  // boot service driver
    put16(image, at + 0x0A, 0x8664);  // x64
    put16(image, at + 0x0C, 0x0000);  // not compressed
    put16(image, at + 0x16, 0x0040);  // where the PE image would begin
    put16(image, at + 0x18, static_cast<std::uint16_t>(kRomEfiPciDataOffset));
    put_pci_data_structure(image, at + kRomEfiPciDataOffset, recipe, blocks, 0x03, true);
}

// Sets the last byte of [from, to) so that those bytes sum to zero.
void put_checksum(std::vector<std::uint8_t>& image, std::uint32_t from, std::uint32_t to) {
    if (to <= from) {
        return;
    }
    unsigned sum = 0;
    for (std::uint32_t i = from; i + 1 < to; ++i) {
        sum += image[i];
    }
    image[to - 1] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

// "$DM$", minor, major, third (16 bits), then eight bytes the loader keeps
// for itself: here the build tag.
void put_dm_header(std::vector<std::uint8_t>& image, const option_rom_version& version) {
    const std::uint32_t h = kRomDmHeaderOffset;
    put_text(image, h, "$DM$");
    image[h + 4] = version.minor;
    image[h + 5] = version.major;
    put16(image, h + 6, version.third);
    put_text(image, h + 8, "EMUBUILD");
    put_text(image, h + 16, "iSCSI Boot Option ROM (emulated)");
}

// Deterministic filler, so that programmed bytes differ from erased ones
// and from page to page.
void put_filler(std::vector<std::uint8_t>& image, std::uint32_t from) {
    std::uint32_t state = 0x2545F491u;
    for (std::uint32_t i = from; i + 1 < image.size(); ++i) {
        state = state * 1103515245u + 12345u;
        image[i] = static_cast<std::uint8_t>(state >> 16);
    }
}

}  // namespace

// Whole 512-byte blocks only: every image lies inside the file, and the
// bytes after the last one (size not a multiple of 512) are filler. Below one
// block there is no room for a declared image, so no PCI data structure.
// Above what the PC-AT header byte can declare, a 64 KiB PC-AT image is
// followed by an EFI image, as on adapters that boot both ways. Every part
// sums to zero, so the whole file does too.
std::vector<std::uint8_t> build_option_rom_image(const option_rom_recipe& recipe) {
    const std::uint32_t size = recipe.size < kRomMinimumSize ? kRomMinimumSize : recipe.size;
    std::vector<std::uint8_t> image(size, 0);
    put_filler(image, kRomDmHeaderOffset + 0x30);
    const std::uint32_t blocks = size / 512;
    const bool chained = blocks > kRomPcAtMaxBlocks;
    const std::uint32_t pc_at_blocks = chained ? kRomChainedPcAtBlocks : blocks;
    if (blocks == 0) {
        put_rom_header(image, 1, 0);
    } else {
        put_rom_header(image, pc_at_blocks, kRomPciDataOffset);
        put_pci_data_structure(image, kRomPciDataOffset, recipe, pc_at_blocks, 0x00, !chained);
    }
    put_dm_header(image, recipe.version);
    const std::uint32_t pc_at_end = pc_at_blocks * 512;
    if (chained) {
        put_efi_image(image, pc_at_end, recipe, blocks - pc_at_blocks);
    }
    if (blocks == 0) {
        put_checksum(image, 0, size);
        return image;
    }
    put_checksum(image, 0, pc_at_end);
    put_checksum(image, pc_at_end, blocks * 512);
    put_checksum(image, blocks * 512, size);
    return image;
}

bool parse_option_rom_version(const char* text, option_rom_version* version) {
    unsigned long parts[3] = {0, 0, 0};
    const unsigned long limits[3] = {0xFF, 0xFF, 0xFFFF};
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        char* end = nullptr;
        parts[i] = std::strtoul(p, &end, 10);
        if (parts[i] > limits[i] || end - p > 5) {
            return false;
        }
        p = end;
        if (i < 2 && *p++ != '.') {
            return false;
        }
    }
    if (*p != '\0') {
        return false;
    }
    version->major = static_cast<std::uint8_t>(parts[0]);
    version->minor = static_cast<std::uint8_t>(parts[1]);
    version->third = static_cast<std::uint16_t>(parts[2]);
    return true;
}
