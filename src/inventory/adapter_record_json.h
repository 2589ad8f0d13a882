// An adapter record as one element of the list's JSON "adapters" array:
// everything the list gathers, where the text list prints only the IDs and
// the Option ROM version.
#pragma once

#include "inventory/adapter_list.h"
#include "platform/json_writer.h"

#include <string>
#include <vector>

// {"index", "vendor_id", "device_id", "description", "part_number",
// "engineering_change", "sl", "network_address", "option_rom",
// "settings_record", "errors"}; errors: the texts of the adapter's ERROR
// lines.
void json_adapter_record(json_writer* w, const adapter_record& record, const std::vector<std::string>& errors);
