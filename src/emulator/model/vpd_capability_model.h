// The PCI VPD capability of the adapter: a 15-bit address register with a
// completion flag in the capability's first dword, a 32-bit data register in
// the next, and the VPD storage (8 KiB, vpd.bin) behind them.
//
// Writing the address with the flag clear starts a read of four bytes from
// the address; the flag reads 0 until the data register holds them, then 1.
// Writing it with the flag set starts a write of the data register to the
// address; the flag reads 1 until the bytes are stored, then 0.
#pragma once

#include "emulator/model/persistent_storage.h"

#include <cstdint>

inline constexpr std::uint8_t kPciCapabilityIdVpd = 3;
inline constexpr std::uint32_t kVpdStorageSize = 8192;

struct vpd_capability_model {
    persistent_storage* storage = nullptr;
    std::uint32_t busy_reads_per_access = 0;  // flag reads that still see the access running
    bool reads_never_finish = false;          // a hung VPD read: the flag stays 0

    std::uint16_t address_field = 0;  // bits 16-30 as last written
    bool flag = false;                // bit 31 as it reads now
    std::uint32_t data_register = 0;

    bool access_running = false;
    bool access_is_write = false;
    std::uint32_t access_data = 0;  // data register when a write started
    std::uint32_t busy_reads_left = 0;
};

void vpd_attach(vpd_capability_model* vpd, persistent_storage* storage, std::uint32_t busy_reads_per_access,
                bool reads_never_finish);

// The write of the capability's first dword (ID and next pointer are read only).
void vpd_write_address(vpd_capability_model* vpd, std::uint32_t dword);
// A read that sees the flag: counts towards the end of a running access.
void vpd_note_flag_read(vpd_capability_model* vpd);
// Any configuration read: an access with no busy reads left is done.
void vpd_settle(vpd_capability_model* vpd);

// The registers' bits 16-31 of the first dword, as they read now.
std::uint16_t vpd_address_register(const vpd_capability_model* vpd);

// The adapter is closed: a running write still reaches the storage, as it
// would in real time.
void vpd_power_down(vpd_capability_model* vpd);
