// What the fuzz targets share: a private emulator root with one realistic
// adapter, and files in a private folder for the parsers that read files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A folder of this process's own under the system's temporary folder,
// created on first use and removed when the process ends normally.
const std::string& fuzz_folder();

// Makes the realistic adapter 0 in an emulator root of fuzz_folder(), with
// faults (a faults file's text) unless it is empty, points HBAEMU_DIR at it
// and enumerates, so that adapter 0 is open. The adapter's folder is
// returned. Aborts when the adapter cannot be made: a target without its
// adapter would fuzz nothing.
std::string open_emulated_adapter(const std::string& faults = "");

// Writes size bytes to path, replacing the file. Aborts when it cannot.
void write_fuzz_file(const std::string& path, const std::uint8_t* data, std::size_t size);
