#include "inventory/adapter_record_json.h"

#include "inventory/vpd_layout.h"
#include "optionrom/option_rom_json.h"

#include <cstdio>
#include <string_view>

namespace {

// The VPD texts of the record's image, each a fixed field of the layout.
struct vpd_text_field {
    const char* name;
    std::uint32_t offset;
    std::uint32_t length;
};

constexpr vpd_text_field kVpdTexts[] = {
    {"description", kVpdIdentifierDataOffset, kVpdIdentifierLength},
    {"part_number", vpd_keyword_length_offset('P', 'N') + 1, 16},
    {"engineering_change", vpd_keyword_length_offset('E', 'C') + 1, 16},
    {"sl", kVpdSlLengthOffset + 1, 16},
};

constexpr std::uint32_t kNetworkAddressDigits = 12;

// Makers pad VPD texts with blanks or zeros; a text of nothing but padding
// is no text. Any other byte is kept as it is: the writer escapes it.
void json_vpd_text(json_writer* w, const std::uint8_t* image, const vpd_text_field& field) {
    std::string_view text(reinterpret_cast<const char*>(image + field.offset), field.length);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) {
        text.remove_suffix(1);
    }
    text.empty() ? json_null(w) : json_text(w, text);
}

bool is_hex_digit(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The NA keyword's twelve hexadecimal digits as the address people write;
// anything else in them is no address (the text list decodes it anyway).
void json_network_address(json_writer* w, const adapter_record& record) {
    const std::uint8_t* digits = record.vpd_image + kVpdNaDataOffset;
    for (std::uint32_t k = 0; k < kNetworkAddressDigits; ++k) {
        if (!is_hex_digit(digits[k])) {
            json_null(w);
            return;
        }
    }
    char text[18];
    const std::uint8_t* a = record.network_address;
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", a[0], a[1], a[2], a[3], a[4], a[5]);
    json_text(w, text);
}

void json_id(json_writer* w, bool known, std::uint16_t id) {
    known ? json_hex_id(w, id) : json_null(w);
}

rom_state rom_state_of(flash_probe probe) {
    switch (probe) {
        case flash_probe::start_unreadable: return rom_state::unknown;
        case flash_probe::no_option_rom: return rom_state::absent;
        case flash_probe::header_unreadable: return rom_state::header_unknown;
        case flash_probe::no_dm_header: return rom_state::no_dm_header;
        case flash_probe::settings_unreadable:
        case flash_probe::settings_read: return rom_state::dm_header;
    }
    return rom_state::unknown;
}

// The list reads the settings record only behind a $DM$ header; elsewhere
// it is not known whether there is one.
void json_settings_record(json_writer* w, const adapter_record& record) {
    if (record.probe == flash_probe::settings_unreadable) {
        json_text(w, "unreadable");
    } else if (record.probe == flash_probe::settings_read) {
        json_text(w, has_settings_magic(record.settings) ? "valid" : "absent");
    } else {
        json_null(w);
    }
}

}  // namespace

void json_adapter_record(json_writer* w, const adapter_record& record, const std::vector<std::string>& errors) {
    json_begin_object(w);
    json_name(w, "index"), json_number(w, record.adapter_index);
    json_name(w, "vendor_id"), json_id(w, record.has_vpd, record.vendor_id);
    json_name(w, "device_id"), json_id(w, record.has_vpd, record.device_id);
    for (const vpd_text_field& field : kVpdTexts) {
        json_name(w, field.name);
        record.has_vpd ? json_vpd_text(w, record.vpd_image, field) : json_null(w);
    }
    json_name(w, "network_address");
    record.has_vpd ? json_network_address(w, record) : json_null(w);
    json_name(w, "option_rom"), json_option_rom(w, rom_state_of(record.probe), record.rom_header);
    json_name(w, "settings_record"), json_settings_record(w, record);
    json_name(w, "errors"), json_begin_array(w);
    for (const std::string& error : errors) {
        json_text(w, error);
    }
    json_end_array(w);
    json_end_object(w);
}
