// The PCI expansion ROM format as system firmware reads it from an adapter's
// Option ROM: one or more images, each a ROM header, a PCI data structure
// ("PCIR") and code, chained one after the other. Every multi-byte field is
// little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
// The first 0x1A bytes of every image.
struct expansion_rom_header {
    std::uint8_t signature[2];       // 0x55 0xAA
    std::uint8_t length_blocks;      // PC-AT: the bytes the checksum covers, in 512-byte blocks
    std::uint8_t vendor_area[0x15];  // entry point and code type specific fields
    std::uint16_t pci_data_offset;   // from the image's start to its "PCIR"
};

// The PCI data structure as far as the chain and the IDs need it.
struct pci_data_structure {
    char signature[4];  // "PCIR"
    std::uint16_t vendor_id;
    std::uint16_t device_id;
    std::uint16_t device_list_offset;  // revision 3 on: from this structure to a 0-ended list, 0 none
    std::uint16_t structure_length;
    std::uint8_t revision;
    std::uint8_t class_code[3];
    std::uint16_t image_blocks;  // the whole image, in 512-byte blocks
    std::uint16_t code_revision;
    std::uint8_t code_type;  // 0 PC-AT compatible, 3 EFI
    std::uint8_t indicator;  // bit 7: the last image of the chain
    std::uint16_t reserved;
};
#pragma pack(pop)
static_assert(offsetof(expansion_rom_header, length_blocks) == 0x02);
static_assert(offsetof(expansion_rom_header, pci_data_offset) == 0x18);
static_assert(sizeof(expansion_rom_header) == 0x1A);
static_assert(offsetof(pci_data_structure, vendor_id) == 0x04);
static_assert(offsetof(pci_data_structure, device_id) == 0x06);
static_assert(offsetof(pci_data_structure, device_list_offset) == 0x08);
static_assert(offsetof(pci_data_structure, structure_length) == 0x0A);
static_assert(offsetof(pci_data_structure, revision) == 0x0C);
static_assert(offsetof(pci_data_structure, image_blocks) == 0x10);
static_assert(offsetof(pci_data_structure, code_type) == 0x14);
static_assert(offsetof(pci_data_structure, indicator) == 0x15);
static_assert(sizeof(pci_data_structure) == 0x18);

inline constexpr std::uint32_t kExpansionRomBlockSize = 512;
inline constexpr char kPciDataSignature[4] = {'P', 'C', 'I', 'R'};
inline constexpr std::uint8_t kPciCodeTypePcAt = 0x00;
inline constexpr std::uint8_t kPciCodeTypeEfi = 0x03;
inline constexpr std::uint8_t kPciIndicatorLastImage = 0x80;
// Before revision 3 the word at 0x08 meant something else (a VPD pointer).
inline constexpr std::uint8_t kPciDeviceListRevision = 3;
