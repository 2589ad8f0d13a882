// The walk over the PCI capability list in the adapter's configuration space.
#include "pci/pci_capability.h"

#include "device/driver_requests.h"

#include <cstdio>

namespace {

// Configuration offset of the capabilities pointer (bits 0-7 of its dword).
constexpr std::uint32_t kCapabilitiesPointer = 0x34;

// The 192 bytes after the 64-byte configuration header hold at most 48
// four-byte entries. A walk that visits more has met a looping list or an
// entry whose read keeps failing, and ends as if the list ended.
constexpr int kMaxCapabilityEntries = 48;

std::uint8_t entry_id(std::uint32_t entry) {
    return static_cast<std::uint8_t>(entry & 0xFF);
}

std::uint8_t entry_next(std::uint32_t entry) {
    return static_cast<std::uint8_t>((entry >> 8) & 0xFF);
}

}  // namespace

std::uint8_t locate_pci_capability(std::uint8_t adapter, std::uint8_t capability_id) {
    // A failed read leaves the pointer 0: no list.
    std::uint32_t dword = 0;
    pci_config_read(adapter, kCapabilitiesPointer, &dword);
    std::uint8_t pointer = static_cast<std::uint8_t>(dword & 0xFF);

    // The pointer is used as read: low bits not cleared, values below 0x40
    // not rejected. When an entry's read fails, the previous dword stays, and
    // with it a next pointer naming the same entry, which is read again.
    for (int step = 0; pointer != 0 && step < kMaxCapabilityEntries; ++step) {
        pci_config_read(adapter, pointer, &dword);
        if (entry_id(dword) == capability_id) {
            return pointer;
        }
        pointer = entry_next(dword);
    }
    return 0;
}

std::uint8_t find_pci_capability(std::uint8_t adapter, std::uint8_t capability_id) {
    const std::uint8_t offset = locate_pci_capability(adapter, capability_id);
    if (offset != 0) {
        return offset;
    }
    std::fprintf(stderr, "ERROR: Capability %02x not found.\n", capability_id);
    return 0;
}
