// The walk over the PCI capability list in the adapter's configuration space.
#pragma once

#include <cstdint>

// The configuration offset of the first capability with this ID, or 0 after
// "ERROR: Capability %02x not found.".
std::uint8_t find_pci_capability(std::uint8_t adapter, std::uint8_t capability_id);

// The same walk without the message, for callers to whom a missing
// capability is no error.
std::uint8_t locate_pci_capability(std::uint8_t adapter, std::uint8_t capability_id);
