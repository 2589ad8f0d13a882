// The adapter's serial flash and what the utility keeps in it.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kFlashSize = 0x80000;        // 512 KiB
inline constexpr std::uint32_t kFlashPageSize = 256;        // one page program
inline constexpr std::uint32_t kFlashSectorSize = 0x10000;  // one sector erase, 64 KiB
inline constexpr int kFlashSectorShift = 16;

// The Option ROM image starts at 0 and may fill sectors 0 to 2.
inline constexpr std::uint32_t kOptionRomOffset = 0;
inline constexpr std::uint32_t kOptionRomMaxSize = 0x30000;
inline constexpr std::int32_t kOptionRomFirstSector = 0;
inline constexpr std::int32_t kOptionRomLastSector = 2;

// The boot settings record starts sector 3; a save or an erase wipes all of it.
inline constexpr std::uint32_t kSettingsOffset = 0x30000;
inline constexpr std::int32_t kSettingsSector = 3;
