// A fake adapter driver that answers only PCI configuration requests, with a
// configuration space whose capability list a test writes and a VPD
// capability in front of an 8 KB VPD store. It records every configuration
// request in order, so tests can check the exact traffic, and it can be told
// to make the VPD slow, stuck or failing.
//
// One at a time: constructing it puts it in place of the platform transport,
// destroying it puts the platform's back. The adapter index is ignored: every
// request reaches this one device.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <vector>

struct config_request {
    bool write;
    std::uint32_t offset;
    std::uint32_t value;  // written, or returned by a successful read
    bool ok;

    bool operator==(const config_request&) const = default;
};

config_request config_read_of(std::uint32_t offset, std::uint32_t value);
config_request config_read_failed(std::uint32_t offset);
config_request config_write_of(std::uint32_t offset, std::uint32_t value);

class fake_pci_device {
public:
    fake_pci_device();
    ~fake_pci_device();
    fake_pci_device(const fake_pci_device&) = delete;
    fake_pci_device& operator=(const fake_pci_device&) = delete;

    // Configuration space bytes; the capability list starts at 0x34.
    std::array<std::uint8_t, 256> config{};
    void set_config_dword(std::uint32_t offset, std::uint32_t value);
    // A capability entry: ID in byte 0, next pointer in byte 1.
    void add_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next);

    // The VPD capability's behaviour, at vpd_capability (0: none, the
    // configuration space is then plain memory).
    std::uint8_t vpd_capability = 0;
    std::vector<std::uint8_t> vpd = std::vector<std::uint8_t>(8192, 0);
    std::uint32_t busy_reads = 0;        // flag reads "not done" this often after each start
    bool vpd_stuck = false;              // the flag never comes
    std::uint64_t stuck_from_read = 0;   // from this VPD read on (1 the first) the flag never comes
    bool data_register_keeps_zero = false;  // writes to the data register do not stick

    // Reads at these offsets fail (the driver refuses them).
    std::set<std::uint32_t> failing_reads;
    // The data register read after the n-th VPD read started (1 is the
    // first) fails for each n listed.
    std::set<std::uint64_t> failing_data_reads;

    std::vector<config_request> log;
    std::uint64_t vpd_reads_started = 0;

    // For the transport functions.
    bool config_read(std::uint32_t offset, std::uint32_t* value);
    void config_write(std::uint32_t offset, std::uint32_t value);

private:
    std::uint32_t dword_at(std::uint32_t offset) const;
    void store_dword(std::uint32_t offset, std::uint32_t value);
    std::uint32_t pending_busy_reads_ = 0;
    bool vpd_read_in_flight_ = false;
};
