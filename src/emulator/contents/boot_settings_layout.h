// The boot settings record as the adapter's Option ROM keeps it at flash
// 0x30000: 444 bytes, packed, little-endian. The emulator's own table of it,
// used to write realistic records and to annotate a dump; nothing here is
// shared with the utility, so a slip in one is not copied into the other.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kSettingsRecordFlashOffset = 0x30000;
inline constexpr std::uint32_t kSettingsRecordSize = 444;
inline constexpr std::uint32_t kSettingsRecordWrittenSize = 448;  // a save writes 4 bytes more

enum class settings_field_kind {
    magic,     // "KIB" and a zero byte
    number,    // unsigned little-endian, 1 or 2 bytes
    text,      // ASCII, zero-padded
    ipv4,      // 4 bytes in written order
    portals,   // two entries: 4-byte address, 16-bit port, 2 reserved bytes
    reserved,  // kept as found
};

struct settings_field {
    const char* name;
    std::uint16_t offset;
    std::uint16_t size;
    settings_field_kind kind;
};

// Every byte of the record, in offset order.
extern const settings_field kSettingsFields[];
extern const int kSettingsFieldCount;

// The entry called name, or null.
const settings_field* find_settings_field(const char* name);
