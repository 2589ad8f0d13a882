// The four driver requests on an adapter named by its adapter index (the
// slot of the handle table, adapter_table.h), each carrying one 8-byte
// register access record, and the sleep the flash polls wait with.
#pragma once

#include <cstdint>

// Register offsets are byte offsets into the adapter's register space.
// Configuration offsets are byte offsets into its PCI configuration space.

// A 32-bit register read; on failure prints the register read error with the
// system error number, counts the failure (below) and yields 0.
std::uint32_t reg_read(std::uint8_t adapter, std::uint32_t offset);

// A 32-bit register write; on failure prints the register write error.
void reg_write(std::uint8_t adapter, std::uint32_t offset, std::uint32_t value);

// A dword of PCI configuration space; false (and *value untouched) when the
// driver refused. Prints nothing.
bool pci_config_read(std::uint8_t adapter, std::uint32_t offset, std::uint32_t* value);

// Stores a dword of PCI configuration space; prints nothing, and nobody
// examines whether it took.
void pci_config_write(std::uint8_t adapter, std::uint32_t offset, std::uint32_t value);

// How many driver requests to this adapter index have failed in this
// process, whichever of the four requests it was. A failed register read
// still yields 0, which to the flash controller would mean "idle", "not
// busy" or data 0; code that acts on what it reads compares this count
// before and after its requests to tell a real 0 from a failed request.
std::uint32_t adapter_failed_requests(std::uint8_t adapter);

// Sleeps through the transport, so that tests with a fake transport can count
// the waits of the flash polls instead of spending them.
void adapter_sleep_ms(std::uint32_t milliseconds);
