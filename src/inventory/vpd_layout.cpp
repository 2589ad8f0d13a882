// Writes the structure bytes of the fixed keyword layout over a VPD image,
// leaving the data fields as the adapter holds them.
#include "inventory/vpd_layout.h"

#include <cstring>

namespace {

std::uint32_t put_large_item_header(std::uint8_t* image, std::uint32_t offset, std::uint8_t tag, std::uint32_t length) {
    image[offset] = tag;
    image[offset + 1] = static_cast<std::uint8_t>(length & 0xFF);  // little-endian
    image[offset + 2] = static_cast<std::uint8_t>(length >> 8);
    return offset + kVpdLargeItemHeader;
}

void put_keywords(std::uint8_t* image, std::uint32_t offset, std::span<const vpd_keyword> keywords) {
    for (const vpd_keyword& k : keywords) {
        image[offset] = static_cast<std::uint8_t>(k.name[0]);
        image[offset + 1] = static_cast<std::uint8_t>(k.name[1]);
        image[offset + 2] = k.length;
        offset += kVpdKeywordHeader;
        if (k.cleared) {
            std::memset(image + offset, 0, k.length);
        }
        offset += k.length;
    }
}

}  // namespace

void vpd_apply_layout(std::uint8_t* image) {
    put_large_item_header(image, kVpdIdentifierOffset, kVpdIdentifierStringTag, kVpdIdentifierLength);
    put_keywords(image, put_large_item_header(image, kVpdReadOnlyOffset, kVpdReadOnlyTag, kVpdReadOnlyLength),
                 kVpdReadOnlyKeywords);
    put_keywords(image, put_large_item_header(image, kVpdReadWriteOffset, kVpdReadWriteTag, kVpdReadWriteLength),
                 kVpdReadWriteKeywords);
    image[kVpdEndTagOffset] = kVpdEndTag;
}
