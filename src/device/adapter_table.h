// The adapter handle table: 20 slots, each empty, failed or open, filled by
// enumeration.
//
// Every layer above names an adapter only by its adapter index, the slot of
// the handle table that enumeration filled. A request on an empty or failed
// slot still goes to the platform, which refuses it with invalid handle (6),
// exactly as the kernel would refuse a DeviceIoControl on a bad handle.
#pragma once

#include "device/transport.h"

#include <cstdint>
#include <cstdio>

// The handle table holds 20 slots; an index of 20 or more selects none.
inline constexpr int kMaxAdapters = 20;

// Called after each slot's open with the slot's index and the caller's
// context: a caller that keeps each adapter's diagnostics apart (the list's
// JSON form) takes what was printed so far as that adapter's.
using adapter_step = void (*)(std::uint8_t adapter, void* context);

// Closes every open slot, lists the adapters' device interfaces and opens up
// to 20 of them into slots 0 to 19, printing its own diagnostics. Returns the
// number of interfaces found (failed opens included), 0 to 20.
std::uint8_t enumerate_adapters(adapter_step after_open = nullptr, void* context = nullptr);

// Where enumeration prints what it could not open: standard output by
// default, as it always has; standard error for a command whose standard
// output is a document (the export's settings), which a refusal must leave
// empty.
void send_open_diagnostics_to(std::FILE* stream);

// Whether the last enumeration could not have the interface list at all (it
// then returned 0 after its message), as against finding no adapter.
bool adapter_interface_list_failed();

// Closes every slot that holds a handle and leaves all slots empty.
void close_adapter_handles();

// The handle in slot adapter (low 8 bits), or kNoHandle for an index that
// selects no slot. For the driver requests of src/device only.
device_handle adapter_slot_handle(std::uint8_t adapter);
