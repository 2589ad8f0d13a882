// Non-volatile storage of an emulated adapter (the serial flash, the VPD
// EEPROM): a file held open for the life of the device handle, mirrored in
// memory. Every change is written through to the file and flushed to the
// operating system before the call returns, so a process that is killed right
// afterwards leaves the change behind, as a power cut after a finished
// program leaves it in a real part.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct persistent_storage {
    std::FILE* file = nullptr;
    std::string path;
    std::vector<std::uint8_t> bytes;
    bool write_failed = false;  // reported once, not on every store
};

// Opens path for reading and writing and loads exactly size bytes. false
// with *error set (a Windows error number) when it cannot: 13 when the file
// is short, 5 when it cannot be opened for writing.
bool storage_open(const std::string& path, std::uint32_t size, persistent_storage* storage, std::uint32_t* error);

// Writes bytes[offset .. offset + count) to the file and flushes it.
void storage_write_through(persistent_storage* storage, std::uint32_t offset, std::uint32_t count);

void storage_close(persistent_storage* storage);
