#include "backup/backup_adapter_ids.h"

#include "pci/adapter_ids.h"

#include <cstdio>

namespace {

// An Option ROM for another adapter model is how a server stops booting, so
// there is no override. An ID of 0 could not be read and is not compared.
bool ids_conflict(std::uint16_t backup_id, std::uint16_t adapter_id) {
    return backup_id != 0 && adapter_id != 0 && backup_id != adapter_id;
}

}  // namespace

int check_backup_adapter_ids(std::uint8_t adapter, const backup_header& header) {
    pci_ids ids{};
    if (read_vpd_ids(adapter, &ids) != 0) {
        say_ids_not_compared("backup's");
        return 0;
    }
    const std::uint16_t vendor_id = ids.vendor_id;
    const std::uint16_t device_id = ids.device_id;
    if (ids_conflict(header.vendor_id, vendor_id) || ids_conflict(header.device_id, device_id)) {
        std::fprintf(stderr, "ERROR: Backup was taken from device %04x:%04x, this Adapter is device %04x:%04x!\n",
                     header.vendor_id, header.device_id, vendor_id, device_id);
        return -1;
    }
    return 0;
}
