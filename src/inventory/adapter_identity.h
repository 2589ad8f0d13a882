// The identity fields of an adapter record, taken from its VPD image and
// VPD high block.
#pragma once

#include "inventory/adapter_list.h"

// Fills description, SL value, network address, vendor ID and device ID
// from the record's VPD image and VPD high block.
void derive_adapter_identity(adapter_record* record);
