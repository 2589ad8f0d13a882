// Writing a new Option ROM image from a file.
#pragma once

#include "optionrom/rom_image_checks.h"

#include <cstdint>
#include <filesystem>

// The flash already held the image: nothing was erased or written.
inline constexpr int kRomImageUnchanged = 1;

// Loads the image file and writes it: 0, kRomImageUnchanged, or -1 after its
// message.
int update_rom_from_file(std::uint8_t adapter, const std::filesystem::path& path,
                         rom_id_check ids = rom_id_check::required);

// What the update checks before it reads the flash: size, signature, then
// what the firmware checks (check_rom_image). 0, or 12 after its line.
int check_update_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids);

// Checks, then compares the sectors the image needs with the flash, erases
// and programs those that differ with a progress line, and reads the whole
// image back: 0, kRomImageUnchanged (no sector differed), 12 image rejected,
// 6 erase or programming failed.
int write_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size,
                    rom_id_check ids = rom_id_check::required);
