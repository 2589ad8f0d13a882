// The common CRC-32 (reflected polynomial 0xEDB88320, initial value and final
// XOR 0xFFFFFFFF), the one zlib and most archive tools compute, so a backup
// file can be checked with ordinary tools as well.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues crc over size bytes; start with 0.
std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size);
