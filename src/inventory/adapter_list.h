// The adapter inventory of the list command.
#pragma once

#include "device/adapter_table.h"
#include "inventory/vpd_image.h"
#include "optionrom/option_rom.h"
#include "settings/boot_settings_record.h"

#include <cstdint>

// How far the probe of an adapter's flash got. The text list shows only
// what the ROM header copy holds; the JSON form tells an Option ROM without
// a $DM$ header from one whose header could not be read, and an adapter
// without an Option ROM from one whose flash could not be read.
enum class flash_probe : std::uint8_t {
    start_unreadable,     // the start of the Option ROM could not be read
    no_option_rom,        // no Option ROM signature
    header_unreadable,    // the bytes searched for the $DM$ header could not be read
    no_dm_header,         // an Option ROM without a $DM$ header
    settings_unreadable,  // a $DM$ header; the settings record could not be read
    settings_read,        // a $DM$ header; the settings copy holds what was read
};

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
    bool has_vpd;  // the VPD capability was found and the VPD read
    flash_probe probe;
    adapter_record* next;
};

// Enumerates and builds one record per adapter: 0 built, 2 no adapter, -1 a
// record could not be allocated (the list is then empty). after_step, when
// given, is called after each adapter's open and again after its record is
// built.
int build_adapter_list(adapter_step after_step = nullptr, void* context = nullptr);

// "Device: vvvv:dddd" and "Version: a.b.c" for every record, in index order.
void print_adapter_list();

// Releases every record and resets the adapter count.
void release_adapter_list();

// The adapter count of the last build_adapter_list (0 after a release).
std::uint8_t adapter_count();

// The first record, or nullptr.
const adapter_record* adapter_list_head();
