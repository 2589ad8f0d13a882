// The VPD image (VPD 0xC00-0xDFF, normalised to the fixed keyword layout and
// checksummed) and the VPD high block (VPD 0x1000-0x1FFF, as read).
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kVpdSpaceSize = 8192;
inline constexpr std::uint32_t kVpdImageStart = 0xC00;
inline constexpr std::uint32_t kVpdImageSize = 512;
inline constexpr std::uint32_t kVpdHighBlockStart = 0x1000;
inline constexpr std::uint32_t kVpdHighBlockSize = 4096;

// Reads both ranges into buffer (indexed by VPD address) and prints "\n".
void vpd_read_ranges(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint8_t* buffer);

// Writes the fixed keyword layout over image's structure bytes.
void vpd_apply_layout(std::uint8_t* image);

// Reads, copies out, normalises and checksums.
void vpd_build_image(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint8_t* buffer, std::uint8_t* image,
                     std::uint8_t* high_block);
