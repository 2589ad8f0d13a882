// The exclusive open of an adapter across processes, as share mode 0 gives it
// on Windows: held while the device handle is open, gone with the process
// however it ends.
#pragma once

#include <cstdint>
#include <string>

struct adapter_lock {
    std::intptr_t native = -1;
};

// false when another open holds the adapter (sharing violation) or the lock
// file cannot be had.
bool acquire_adapter_lock(const std::string& folder, adapter_lock* lock);
void release_adapter_lock(adapter_lock* lock);
