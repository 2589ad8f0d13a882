// Flash read, page program and sector erase, built from controller transfers
// and the standard SPI NOR command set.
//
// Each returns 0 only when every driver request it issued was carried out:
// a read that returns 0 delivered the flash's own bytes, never the zeros of
// refused register reads, and a program or erase that returns 0 was sent
// whole and seen finished by the flash.
#pragma once

#include <cstdint>

// Reads word_count 32-bit words from a 4-byte aligned flash address into
// buffer, the byte at address + i landing at buffer byte i; the whole range
// must lie inside the flash. 0, or a non-zero code (possibly the OR of the
// command and dummy phases' codes).
int flash_read_words(std::uint8_t adapter, std::uint32_t address, std::uint32_t word_count, void* buffer);

// Programs 1 to 256 bytes within one page and waits for the flash.
int flash_write_page(std::uint8_t adapter, std::uint32_t address, std::uint32_t byte_count, const std::uint8_t* data);

// Erases 64 KiB sectors first to last inclusive, each finished before the
// next; nothing when first > last or first < 0, and -1 (nothing erased) when
// last lies beyond the flash.
int flash_erase_sectors(std::uint8_t adapter, std::int32_t first_sector, std::int32_t last_sector);
