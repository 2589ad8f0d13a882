// What an adapter record keeps from the adapter's flash: the $DM$ header of
// its Option ROM and a copy of its boot settings record.
#pragma once

#include "inventory/adapter_list.h"

// Fills the record's ROM header copy and settings copy, leaving them zero
// where there is no Option ROM, no header or no valid record. Prints its own
// messages; never stops the list.
void probe_option_rom(std::uint8_t adapter, adapter_record* record);
