#include "inventory/adapter_identity.h"

#include "inventory/vpd_layout.h"
#include "pci/adapter_ids.h"

#include <cstring>

namespace {

constexpr std::uint32_t kNetworkAddressBytes = 6;

std::uint16_t little_endian_word(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

// The identifier string with its trailing blanks cut by a terminator. The
// first character is never examined, so a string of blanks after its first
// character stays as read; a string that fills the field has no terminator.
void take_description(const std::uint8_t* image, char* description) {
    std::uint32_t length = little_endian_word(image + kVpdIdentifierLengthOffset);
    if (length > sizeof(adapter_record::description)) {
        length = sizeof(adapter_record::description);  // the layout says 16; never overrun the field
    }
    std::memcpy(description, image + kVpdIdentifierDataOffset, length);
    for (std::uint32_t i = length; i-- > 1;) {
        if (description[i] != ' ') {
            if (i + 1 < sizeof(adapter_record::description)) {
                description[i + 1] = '\0';
            }
            return;
        }
    }
}

void take_sl_value(const std::uint8_t* image, std::uint8_t* sl_value) {
    std::uint32_t length = image[kVpdSlLengthOffset];
    if (length > sizeof(adapter_record::sl_value)) {
        length = sizeof(adapter_record::sl_value);
    }
    std::memcpy(sl_value, image + kVpdSlLengthOffset + 1, length);
}

// 0-9, A-F and a-f are digits; anything else gives 0xFF, so a pair of
// non-digits decodes to 0xEF.
std::uint8_t hex_digit(std::uint8_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return 0xFF;
}

void take_network_address(const std::uint8_t* image, std::uint8_t* address) {
    const std::uint8_t* digits = image + kVpdNaDataOffset;
    for (std::uint32_t k = 0; k < kNetworkAddressBytes; ++k) {
        address[k] = static_cast<std::uint8_t>(hex_digit(digits[2 * k]) * 16 + hex_digit(digits[2 * k + 1]));
    }
}

}  // namespace

void derive_adapter_identity(adapter_record* record) {
    take_description(record->vpd_image, record->description);
    take_sl_value(record->vpd_image, record->sl_value);
    take_network_address(record->vpd_image, record->network_address);
    const pci_ids ids = vpd_high_block_ids(record->vpd_high_block);
    record->vendor_id = ids.vendor_id;
    record->device_id = ids.device_id;
}
