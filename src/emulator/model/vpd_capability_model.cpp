#include "emulator/model/vpd_capability_model.h"

namespace {

// The address register has 15 bits; the storage behind it 8 KiB, so the
// part ignores the top two.
std::uint32_t storage_address(const vpd_capability_model* vpd) {
    return vpd->address_field % kVpdStorageSize;
}

void finish_access(vpd_capability_model* vpd) {
    vpd->access_running = false;
    const std::uint32_t start = storage_address(vpd);
    std::uint8_t* cells = vpd->storage->bytes.data();
    if (vpd->access_is_write) {
        for (std::uint32_t i = 0; i < 4; ++i) {
            const std::uint32_t at = (start + i) % kVpdStorageSize;
            cells[at] = static_cast<std::uint8_t>(vpd->access_data >> (8 * i));
            storage_write_through(vpd->storage, at, 1);
        }
        vpd->flag = false;
        return;
    }
    std::uint32_t word = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        word |= static_cast<std::uint32_t>(cells[(start + i) % kVpdStorageSize]) << (8 * i);
    }
    vpd->data_register = word;
    vpd->flag = true;
}

bool access_hangs(const vpd_capability_model* vpd) {
    return !vpd->access_is_write && vpd->reads_never_finish;
}

}  // namespace

void vpd_attach(vpd_capability_model* vpd, persistent_storage* storage, std::uint32_t busy_reads_per_access,
                bool reads_never_finish) {
    *vpd = vpd_capability_model{};
    vpd->storage = storage;
    vpd->busy_reads_per_access = busy_reads_per_access;
    vpd->reads_never_finish = reads_never_finish;
}

void vpd_write_address(vpd_capability_model* vpd, std::uint32_t dword) {
    // A new address write abandons an access still running, as on parts that
    // restart their state machine.
    vpd->address_field = static_cast<std::uint16_t>((dword >> 16) & 0x7FFF);
    vpd->access_is_write = (dword & 0x80000000u) != 0;
    vpd->access_data = vpd->data_register;
    vpd->flag = vpd->access_is_write;  // "not done" for either direction
    vpd->access_running = true;
    vpd->busy_reads_left = vpd->busy_reads_per_access;
    vpd_settle(vpd);
}

void vpd_note_flag_read(vpd_capability_model* vpd) {
    vpd_settle(vpd);
    if (vpd->access_running && vpd->busy_reads_left > 0) {
        --vpd->busy_reads_left;
    }
}

void vpd_settle(vpd_capability_model* vpd) {
    if (vpd->access_running && vpd->busy_reads_left == 0 && !access_hangs(vpd)) {
        finish_access(vpd);
    }
}

std::uint16_t vpd_address_register(const vpd_capability_model* vpd) {
    return static_cast<std::uint16_t>(vpd->address_field | (vpd->flag ? 0x8000 : 0));
}

void vpd_power_down(vpd_capability_model* vpd) {
    if (vpd->access_running && vpd->access_is_write) {
        finish_access(vpd);
    }
}
