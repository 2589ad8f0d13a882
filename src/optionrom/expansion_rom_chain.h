// Walking the chain of images in an Option ROM image file, as system
// firmware walks it at boot, to find what would make the firmware refuse the
// ROM. Reads only the file's bytes; nothing here knows the adapter.
#pragma once

#include <cstdint>
#include <vector>

enum class expansion_rom_fault {
    none,               // every image is sound up to the one marked last
    undeclared,         // the first image has no PCI data structure: nothing to check
    cut_short,          // an image (or its checksummed bytes) runs past the end of the file
    missing_signature,  // an image after the first does not begin 0x55 0xAA
    missing_pci_data,   // an image after the first has no "PCIR"
    zero_length,        // an image declares 0 blocks: the chain would stand still
    bad_checksum,       // a PC-AT image's bytes do not sum to 0
};

// One image of the chain, offsets from the start of the file.
struct expansion_rom_image {
    std::uint32_t offset;
    std::uint32_t end;  // offset + image length; inside the file
    std::uint16_t vendor_id;
    std::uint16_t device_id;
    std::uint32_t device_list;  // 0: none
    std::uint8_t code_type;
};

struct expansion_rom_chain {
    expansion_rom_fault fault;
    std::vector<expansion_rom_image> images;  // the sound ones, in chain order
    // Where the fault is: the image's number in the chain (1 for the first)
    // and offset, and for a wrong checksum the sum found.
    std::uint32_t fault_image;
    std::uint32_t fault_offset;
    std::uint8_t fault_sum;
};

// Walks the images of image (size bytes) up to the one marked last.
expansion_rom_chain walk_expansion_rom_chain(const std::uint8_t* image, std::uint32_t size);

// Whether device_id is in the image's device list (revision 3 and later).
// The list is read up to its terminating 0 or the end of the image.
bool expansion_rom_lists_device(const std::uint8_t* image, const expansion_rom_image& entry, std::uint16_t device_id);
