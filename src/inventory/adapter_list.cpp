// The adapter list: one record per adapter the driver reports, in index
// order, built by the list command and released by the exit routine.
#include "inventory/adapter_list.h"

#include "device/adapter_table.h"
#include "inventory/adapter_identity.h"
#include "inventory/option_rom_probe.h"
#include "pci/pci_capability.h"
#include "pci/vpd_access.h"

#include <cstdlib>
#include <cstring>

namespace {

adapter_record* g_list_head = nullptr;
std::uint8_t g_adapter_count = 0;

// Indexed by VPD address; reused for every adapter and zeroed before each.
std::uint8_t g_vpd_read_buffer[kVpdSpaceSize];

void free_records() {
    adapter_record* record = g_list_head;
    while (record != nullptr) {
        adapter_record* next = record->next;
        std::free(record);
        record = next;
    }
    g_list_head = nullptr;
}

// The VPD step: the image, the high block and what is derived from them. An
// adapter without a VPD capability keeps these fields zero (the walk has
// said so on standard error).
void read_adapter_vpd(std::uint8_t adapter, adapter_record* record) {
    std::memset(g_vpd_read_buffer, 0, sizeof g_vpd_read_buffer);
    const std::uint8_t vpd_capability = find_pci_capability(adapter, kPciCapabilityVpd);
    if (vpd_capability == 0) {
        return;
    }
    // A failed check is reported by the check itself; the data register may
    // still deliver VPD, so the reads go on.
    vpd_write_read_check(adapter, vpd_capability);
    vpd_build_image(adapter, vpd_capability, g_vpd_read_buffer, record->vpd_image, record->vpd_high_block);
    derive_adapter_identity(record);
    record->has_vpd = true;
}

}  // namespace

int build_adapter_list(adapter_step after_step, void* context) {
    const std::uint8_t count = enumerate_adapters(after_step, context);
    g_adapter_count = count;
    if (count == 0) {
        return 2;
    }
    free_records();

    adapter_record** tail = &g_list_head;
    for (std::uint8_t adapter = 0; adapter < count; ++adapter) {
        // calloc: every byte of a new record is zero, padding included.
        auto* record = static_cast<adapter_record*>(std::calloc(1, sizeof(adapter_record)));
        if (record == nullptr) {
            free_records();
            return -1;
        }
        *tail = record;
        tail = &record->next;

        record->adapter_index = adapter;
        read_adapter_vpd(adapter, record);
        probe_option_rom(adapter, record);
        if (after_step != nullptr) {
            after_step(adapter, context);
        }
    }
    return 0;
}

void release_adapter_list() {
    free_records();
    g_adapter_count = 0;
}

const adapter_record* adapter_list_head() {
    return g_list_head;
}

std::uint8_t adapter_count() {
    return g_adapter_count;
}
