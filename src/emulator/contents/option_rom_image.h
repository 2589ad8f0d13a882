// Option ROM images as system firmware expects them in an expansion ROM: the
// 0x55 0xAA signature, the length in 512-byte blocks, a PCI data structure,
// the adapter's "$DM$" header with the ROM version, and a checksum byte that
// makes all bytes of the PC-AT image sum to zero; large ones chain an EFI
// image after it.
#pragma once

#include <cstdint>
#include <vector>

struct option_rom_version {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint16_t third = 0;
};

struct option_rom_recipe {
    std::uint32_t size = 0xC000;
    option_rom_version version;
    // Those of the first adapter that hbaemu init makes, so that an image
    // made without naming IDs can be written to it.
    std::uint16_t vendor_id = 0x1ABC;
    std::uint16_t device_id = 0x0B10;
};

// Where this emulator puts its structures in an image.
inline constexpr std::uint32_t kRomPciDataOffset = 0x20;
inline constexpr std::uint32_t kRomDmHeaderOffset = 0x38;
inline constexpr std::uint32_t kRomMinimumSize = 0x80;
// The PC-AT header's length byte declares at most 255 blocks; a larger ROM
// is a PC-AT image of 128 blocks followed by an EFI image (its "PCIR" at
// 0x1C of that image).
inline constexpr std::uint32_t kRomPcAtMaxBlocks = 255;
inline constexpr std::uint32_t kRomChainedPcAtBlocks = 128;
inline constexpr std::uint32_t kRomEfiPciDataOffset = 0x1C;  // room for the headers, a name and the checksum

// The image, exactly recipe.size bytes (at least kRomMinimumSize). Its last
// byte is the checksum.
std::vector<std::uint8_t> build_option_rom_image(const option_rom_recipe& recipe);

// "A.B.C" with A, B up to 255 and C up to 65535.
bool parse_option_rom_version(const char* text, option_rom_version* version);
