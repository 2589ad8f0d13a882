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

std::uint16_t blocks_of(std::uint32_t size) {
    const std::uint32_t blocks = (size + 511) / 512;
    return static_cast<std::uint16_t>(blocks > 0xFFFF ? 0xFFFF : blocks);
}

// The ROM header: signature, length (one byte, so at most 255 blocks are
// told here; the PCI data structure has the full length), the entry point
// (a far return: this image boots nothing), and the pointer to the PCI data
// structure at 0x18.
void put_rom_header(std::vector<std::uint8_t>& image, std::uint32_t size) {
    image[0] = 0x55;
    image[1] = 0xAA;
    const std::uint16_t blocks = blocks_of(size);
    image[2] = static_cast<std::uint8_t>(blocks > 0xFF ? 0xFF : blocks);
    image[3] = 0xCB;
    put16(image, 0x18, kRomPciDataOffset);
}

// "PCIR": IDs, no VPD pointer, structure length 0x18, revision 0, class
// code network controller, image length in blocks, code revision, x86 code,
// last image.
void put_pci_data_structure(std::vector<std::uint8_t>& image, const option_rom_recipe& recipe) {
    const std::uint32_t p = kRomPciDataOffset;
    put_text(image, p, "PCIR");
    put16(image, p + 0x04, recipe.vendor_id);
    put16(image, p + 0x06, recipe.device_id);
    put16(image, p + 0x0A, 0x18);
    image[p + 0x0D] = 0x00;  // programming interface
    image[p + 0x0E] = 0x00;  // subclass: Ethernet
    image[p + 0x0F] = 0x02;  // base class: network controller
    put16(image, p + 0x10, blocks_of(recipe.size));
    put16(image, p + 0x12, static_cast<std::uint16_t>(recipe.version.major << 8 | recipe.version.minor));
    image[p + 0x14] = 0x00;
    image[p + 0x15] = 0x80;
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

std::vector<std::uint8_t> build_option_rom_image(const option_rom_recipe& recipe) {
    const std::uint32_t size = recipe.size < kRomMinimumSize ? kRomMinimumSize : recipe.size;
    std::vector<std::uint8_t> image(size, 0);
    put_filler(image, kRomDmHeaderOffset + 0x30);
    put_rom_header(image, size);
    put_pci_data_structure(image, recipe);
    put_dm_header(image, recipe.version);
    unsigned sum = 0;
    for (std::uint32_t i = 0; i + 1 < size; ++i) {
        sum += image[i];
    }
    image[size - 1] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
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
