// An adapter's PCI vendor and device IDs, read from its VPD as the list
// command finds them, for commands that must tell adapter models apart.
#pragma once

#include <cstdint>

// 0 and both IDs stored; -1 with both 0 when the adapter has no VPD
// capability or its VPD cannot be read. Prints nothing.
int read_adapter_ids(std::uint8_t adapter, std::uint16_t* vendor_id, std::uint16_t* device_id);
