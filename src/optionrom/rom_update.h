// Writing a new Option ROM image from a file.
#pragma once

#include "optionrom/rom_image_checks.h"

#include <cstdint>
#include <filesystem>

// Loads the image file and writes it: 0, or -1 after its message.
int update_rom_from_file(std::uint8_t adapter, const std::filesystem::path& path,
                         rom_id_check ids = rom_id_check::required);

// Checks (size, signature, then what the firmware checks: check_rom_image),
// erases the sectors the image needs and programs it with a progress line:
// 0, 12 image rejected, 6 erase or programming failed.
int write_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size,
                    rom_id_check ids = rom_id_check::required);
