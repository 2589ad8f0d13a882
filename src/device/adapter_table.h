// The adapter handle table: 20 slots, each empty, failed or open.
#pragma once

#include "device/transport.h"

#include <cstdint>

// The handle in slot adapter (low 8 bits), or kNoHandle for an index that
// selects no slot.
device_handle adapter_slot_handle(std::uint8_t adapter);
