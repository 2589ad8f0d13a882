// Adapter access: the adapter handle table and the four driver requests.
//
// Every layer above names an adapter only by its adapter index, the slot of
// the handle table that enumeration filled. A request on an empty or failed
// slot still goes to the platform, which refuses it with invalid handle (6),
// exactly as the kernel would refuse a DeviceIoControl on a bad handle.
#pragma once

#include <cstdint>

// The handle table holds 20 slots; an index of 20 or more selects none.
inline constexpr int kMaxAdapters = 20;

// Register offsets are byte offsets into the adapter's register space.
// Configuration offsets are byte offsets into its PCI configuration space.

// Closes every open slot, lists the adapters' device interfaces and opens up
// to 20 of them into slots 0 to 19, printing its own diagnostics. Returns the
// number of interfaces found (failed opens included), 0 to 20.
std::uint8_t enumerate_adapters();

// Whether the last enumeration could not have the interface list at all (it
// then returned 0 after its message), as against finding no adapter.
bool adapter_interface_list_failed();

// Closes every slot that holds a handle and leaves all slots empty.
void close_adapter_handles();

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
