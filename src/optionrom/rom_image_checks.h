// What system firmware checks in an Option ROM before it runs it, checked
// before the update erases anything: an image the firmware would refuse
// leaves a server that boots from the adapter without a boot ROM.
#pragma once

#include <cstdint>

// Whether an image whose IDs are not the adapter's may be written anyway.
enum class rom_id_check {
    required,  // refuse an image for another device
    waived,    // the operator said --force: write it, and say so
};

// Walks the image's chain (signature, PCI data structures, lengths, PC-AT
// checksums) and compares each image's IDs with the adapter's PCI vendor
// and device ID. 0 when the image may be written; -1 after one "ERROR: "
// line. An image without a PCI data structure declares nothing and passes
// without the adapter being asked.
int check_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids);
