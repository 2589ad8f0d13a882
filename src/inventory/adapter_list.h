// The adapter inventory of the list command.
#pragma once

#include "inventory/vpd_image.h"
#include "optionrom/option_rom.h"
#include "settings/boot_settings_record.h"

#include <cstdint>

struct adapter_record {
    std::uint8_t adapter_index;
    std::uint16_t vendor_id;
    std::uint16_t device_id;
    char description[16];  // no terminator when all 16 are used
    std::uint8_t sl_value[16];
    std::uint8_t network_address[6];
    boot_settings_record settings;  // all zero without the magic
    dm_header rom_header;           // "$DM$...", "$PXE" and zeros, or zeros
    std::uint8_t vpd_image[kVpdImageSize];
    std::uint8_t vpd_high_block[kVpdHighBlockSize];
    adapter_record* next;
};

// Enumerates and builds one record per adapter: 0 built, 2 no adapter, -1 a
// record could not be allocated (the list is then empty).
int build_adapter_list();

// "Device: vvvv:dddd" and "Version: a.b.c" for every record, in index order.
void print_adapter_list();

// Releases every record and resets the adapter count.
void release_adapter_list();

// The adapter count of the last build_adapter_list (0 after a release).
std::uint8_t adapter_count();

// The first record, or nullptr.
const adapter_record* adapter_list_head();
