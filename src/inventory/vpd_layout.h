// The fixed keyword layout of the VPD image (VPD 0xC00-0xDFF): an identifier
// string, a read-only item, a read-write item and the end tag, in the PCI VPD
// resource format. The tables are the one source of every structure byte and
// of the data offsets that the inventory reads.
#pragma once

#include "inventory/vpd_image.h"

#include <cstdint>
#include <span>

// PCI VPD large-resource tags (and the small end tag).
inline constexpr std::uint8_t kVpdIdentifierStringTag = 0x82;
inline constexpr std::uint8_t kVpdReadOnlyTag = 0x90;
inline constexpr std::uint8_t kVpdReadWriteTag = 0x91;
inline constexpr std::uint8_t kVpdEndTag = 0x78;

// A large item: tag byte, then a 16-bit little-endian length.
inline constexpr std::uint32_t kVpdLargeItemHeader = 3;
// A keyword: two ASCII characters, then a 1-byte length.
inline constexpr std::uint32_t kVpdKeywordHeader = 3;

// The identifier string: the adapter's description.
inline constexpr std::uint32_t kVpdIdentifierLength = 16;

struct vpd_keyword {
    char name[2];
    std::uint8_t length;
    // The data is not the adapter's: the layout clears it (the checksum and
    // reserved area of RV, the remaining read-write area of RW).
    bool cleared;
};

inline constexpr vpd_keyword kVpdReadOnlyKeywords[] = {
    {{'P', 'N'}, 16, false},
    {{'E', 'C'}, 16, false},
    {{'S', 'L'}, 16, false},
    {{'N', 'A'}, 12, false},
    {{'V', '0'}, 6, false},
    {{'V', '1'}, 6, false},
    {{'V', '2'}, 6, false},
    {{'V', '3'}, 6, false},
    {{'V', '4'}, 2, false},
    {{'V', '5'}, 6, false},
    {{'V', '6'}, 6, false},
    {{'V', '7'}, 2, false},
    {{'V', '8'}, 2, false},
    {{'V', '9'}, 2, false},
    {{'V', 'A'}, 2, false},
    // Checksum byte first, then reserved bytes; ends the read-only item.
    {{'R', 'V'}, 80, true},
};

inline constexpr vpd_keyword kVpdReadWriteKeywords[] = {
    {{'V', 'C'}, 16, false}, {{'V', 'D'}, 16, false}, {{'V', 'E'}, 16, false},
    {{'V', 'F'}, 16, false}, {{'R', 'W'}, 173, true},
};

constexpr std::uint32_t vpd_keywords_length(std::span<const vpd_keyword> keywords) {
    std::uint32_t length = 0;
    for (const vpd_keyword& k : keywords) {
        length += kVpdKeywordHeader + k.length;
    }
    return length;
}

// Image offsets of the items, each following the previous one.
inline constexpr std::uint32_t kVpdIdentifierOffset = 0;
inline constexpr std::uint32_t kVpdReadOnlyOffset = kVpdIdentifierOffset + kVpdLargeItemHeader + kVpdIdentifierLength;
inline constexpr std::uint32_t kVpdReadOnlyLength = vpd_keywords_length(kVpdReadOnlyKeywords);
inline constexpr std::uint32_t kVpdReadWriteOffset = kVpdReadOnlyOffset + kVpdLargeItemHeader + kVpdReadOnlyLength;
inline constexpr std::uint32_t kVpdReadWriteLength = vpd_keywords_length(kVpdReadWriteKeywords);
inline constexpr std::uint32_t kVpdEndTagOffset = kVpdReadWriteOffset + kVpdLargeItemHeader + kVpdReadWriteLength;

// The image offset of a keyword's length byte; its data follows.
constexpr std::uint32_t vpd_keyword_length_offset(char a, char b) {
    std::uint32_t offset = kVpdReadOnlyOffset + kVpdLargeItemHeader;
    for (const vpd_keyword& k : kVpdReadOnlyKeywords) {
        if (k.name[0] == a && k.name[1] == b) {
            return offset + 2;
        }
        offset += kVpdKeywordHeader + k.length;
    }
    offset = kVpdReadWriteOffset + kVpdLargeItemHeader;
    for (const vpd_keyword& k : kVpdReadWriteKeywords) {
        if (k.name[0] == a && k.name[1] == b) {
            return offset + 2;
        }
        offset += kVpdKeywordHeader + k.length;
    }
    return 0;
}

// The offsets the inventory reads.
inline constexpr std::uint32_t kVpdIdentifierLengthOffset = kVpdIdentifierOffset + 1;
inline constexpr std::uint32_t kVpdIdentifierDataOffset = kVpdIdentifierOffset + kVpdLargeItemHeader;
inline constexpr std::uint32_t kVpdSlLengthOffset = vpd_keyword_length_offset('S', 'L');
inline constexpr std::uint32_t kVpdNaDataOffset = vpd_keyword_length_offset('N', 'A') + 1;
// The RV checksum byte makes the image bytes up to and including it sum to 0.
inline constexpr std::uint32_t kVpdChecksumOffset = vpd_keyword_length_offset('R', 'V') + 1;

static_assert(kVpdReadOnlyOffset == 0x013);
static_assert(kVpdReadOnlyLength == 0xEA);
static_assert(kVpdReadWriteOffset == 0x100);
static_assert(kVpdReadWriteLength == 0xFC);
static_assert(kVpdEndTagOffset == kVpdImageSize - 1);
static_assert(kVpdSlLengthOffset == 0x03E);
static_assert(kVpdNaDataOffset == 0x052);
static_assert(kVpdChecksumOffset == 0x0B0);
