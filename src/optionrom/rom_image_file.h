// Loading an Option ROM image file into memory for the update.
#pragma once

#include <cstdint>
#include <filesystem>

// Reads the whole file at path (UTF-16 on Windows, so that any file name
// can be opened) into a newly allocated buffer (*image, to be released with
// std::free) and stores the bytes delivered in *size. A file longer than the
// Option ROM region is refused after reading one byte past it. 0, or -1
// after its message (none when the buffer cannot be allocated).
int load_rom_image_file(const std::filesystem::path& path, std::uint8_t** image, std::uint32_t* size);
