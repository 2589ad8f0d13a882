// Reading a region of the adapter's flash into bytes, a 4 KiB run at a time.
#pragma once

#include <cstdint>

// Reads size bytes (a multiple of 4) from flash address into bytes. With
// progress set, the progress line moves after every run. 0, or the flash
// read's code.
int read_flash_region(std::uint8_t adapter, std::uint32_t address, std::uint32_t size, std::uint8_t* bytes,
                      bool progress);
