// The virtual adapter driver's bridge to the adapter hardware model: one
// session per open device handle. Plain types only, so that the driver's
// kernel-mode sources can call it without the model's standard library
// headers.
#pragma once

#include <cstdint>

struct virtual_adapter_handle;

// Opens the adapter in folder (a Windows path) for one device handle, after
// pointing the model's trace at trace_file (empty or null: no trace). null
// with *error set (a Windows error number) when the emulator refuses the
// open (open-error, missing files, the adapter already open).
virtual_adapter_handle* virtual_adapter_open(const wchar_t* folder, const wchar_t* trace_file, std::uint32_t* error);
void virtual_adapter_close(virtual_adapter_handle* handle);

// One of the four driver requests by its control code, on the 8-byte
// record's two fields. 0 on success with *value what a read returned, else
// the Windows error number the request fails with.
std::uint32_t virtual_adapter_request(virtual_adapter_handle* handle, std::uint32_t code, std::uint32_t offset,
                                      std::uint32_t written, std::uint32_t* value);
