// The list command's output: two lines per adapter, in index order.
#include "inventory/adapter_list.h"

#include <cstdio>

void print_adapter_list() {
    for (const adapter_record* record = adapter_list_head(); record != nullptr; record = record->next) {
        // A record without a $DM$ header ("$PXE", or none at all) has zero
        // version bytes and prints 0.0.0.
        const dm_header& header = record->rom_header;
        const std::uint16_t third = header.third;  // a copy, not a misaligned reference
        std::printf("Device: %04x:%04x\nVersion: %d.%d.%d\n", record->vendor_id, record->device_id, header.major,
                    header.minor, third);
    }
}
