// Whether a backup belongs to the adapter model it is compared with or
// written to: the IDs the backup holds against the adapter's.
#pragma once

#include "backup/backup_file.h"

#include <cstdint>

// 0 when the IDs agree or one side could not be read (then a line on
// standard output says they are not compared); -1 after one "ERROR: " line
// naming both ID pairs.
int check_backup_adapter_ids(std::uint8_t adapter, const backup_header& header);
