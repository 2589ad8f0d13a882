// The adapter's identity: its PCI vendor and device IDs. The adapter carries
// them twice, and each command reads the copy it always has, so that backups
// taken before keep restoring:
// - configuration space dword 0, what system firmware compares an Option ROM
//   image with: the update's check reads these;
// - the VPD words at 0x194E and 0x1950, what the list prints and a backup
//   records and compares.
#pragma once

#include <cstdint>

// The two IDs of one adapter; 0 where they could not be read.
struct pci_ids {
    std::uint16_t vendor_id;
    std::uint16_t device_id;
};

// Configuration space dword 0: vendor ID in bits 0-15, device ID in bits
// 16-31. 0 and *ids filled; -1 with both 0 when the read fails or the vendor
// ID is 0 or 0xFFFF, blank or absent configuration space with no identity to
// hold anything against. Prints nothing.
int read_config_space_ids(std::uint8_t adapter, pci_ids* ids);

// The VPD copy. 0 and *ids filled; -1 with both 0 when the adapter has no VPD
// capability or its VPD cannot be read. An ID of 0 in a backup likewise
// means "could not be read". Prints nothing.
int read_vpd_ids(std::uint8_t adapter, pci_ids* ids);

// The IDs in the VPD high block, as the list takes them from its copy of the
// whole VPD image (the block holds VPD 0x1000 onwards).
pci_ids vpd_high_block_ids(const std::uint8_t* high_block);

// The line saying that the IDs are not compared with what (the "image's",
// the "backup's"), on standard output: the command goes on.
void say_ids_not_compared(const char* what);
