// What system firmware checks in an Option ROM before it runs it, checked
// before the update erases anything: an image the firmware would refuse
// leaves a server that boots from the adapter without a boot ROM.
#pragma once

#include "pci/adapter_ids.h"

#include <cstdint>

// Whether an image whose IDs are not the adapter's may be written anyway.
enum class rom_id_check {
    required,  // refuse an image for another device
    waived,    // the operator said --force: write it, and say so
};

// The IDs the check held against each other, for a report of the update.
struct rom_image_ids {
    bool image_known;  // the image declares IDs: the first image's, or the one that does not fit
    pci_ids image;
    bool adapter_known;  // the adapter's configuration space could be read
    pci_ids adapter;
};

// Walks the image's chain (signature, PCI data structures, lengths, PC-AT
// checksums) and compares each image's IDs with the adapter's PCI vendor
// and device ID. 0 when the image may be written; -1 after one "ERROR: "
// line. An image without a PCI data structure declares nothing and passes
// without the adapter being asked. *found (when given) holds the IDs that
// were compared; neither is known when the chain was refused first.
int check_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids,
                    rom_image_ids* found = nullptr);
