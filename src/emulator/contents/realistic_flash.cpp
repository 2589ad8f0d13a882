#include "emulator/contents/boot_settings_layout.h"
#include "emulator/contents/realistic_contents.h"
#include "emulator/model/spi_nor_flash.h"

#include <cstring>

namespace {

void put_field(std::vector<std::uint8_t>& record, const char* name, const void* bytes, std::size_t size) {
    const settings_field* field = find_settings_field(name);
    if (field == nullptr || size > field->size) {
        return;
    }
    std::memcpy(record.data() + field->offset, bytes, size);
}

void put_number(std::vector<std::uint8_t>& record, const char* name, std::uint32_t value) {
    const settings_field* field = find_settings_field(name);
    if (field == nullptr) {
        return;
    }
    for (std::uint16_t i = 0; i < field->size; ++i) {
        record[field->offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void put_text(std::vector<std::uint8_t>& record, const char* name, const std::string& text) {
    put_field(record, name, text.data(), text.size());
}

}  // namespace

std::vector<std::uint8_t> build_realistic_settings_record(const adapter_profile& p) {
    // The 4 bytes after the record are zero, as a save that cleared its
    // buffer leaves them.
    std::vector<std::uint8_t> record(kSettingsRecordWrittenSize, 0);
    put_field(record, "magic", "KIB", 4);
    put_number(record, "flag", 1);
    put_number(record, "length", kSettingsRecordSize);
    put_number(record, "version", p.settings_version);
    put_text(record, "initiatorname", p.initiator_name);
    put_number(record, "networktype", 0);  // static
    put_field(record, "staticip", p.static_ip, 4);
    put_field(record, "staticmask", p.static_mask, 4);
    put_field(record, "staticgw", p.static_gateway, 4);
    put_text(record, "targetname", p.target_name);
    put_field(record, "targetdiscoveryip", p.portal_ip, 4);
    put_number(record, "targetdiscoveryport", p.portal_port);
    // Portal 1 is the target; portal 2 is a deleted (all-zero) entry.
    std::uint8_t portal[8] = {p.portal_ip[0],
                              p.portal_ip[1],
                              p.portal_ip[2],
                              p.portal_ip[3],
                              static_cast<std::uint8_t>(p.portal_port),
                              static_cast<std::uint8_t>(p.portal_port >> 8),
                              0,
                              0};
    put_field(record, "targetportal", portal, sizeof portal);
    put_number(record, "portalgroup", 1);
    put_number(record, "targetlun", 0);
    put_number(record, "chaptype", 0);
    put_number(record, "preferredport", 0xFF);  // any port
    put_number(record, "vlanid", 0);
    put_number(record, "bootenabled", 1);
    put_number(record, "oskorvaneini", 0);  // inverted: 0 means the OS initiator is used
    return record;
}

std::vector<std::uint8_t> build_realistic_flash(const adapter_profile& profile) {
    std::vector<std::uint8_t> flash(kNorSize, 0xFF);
    const std::vector<std::uint8_t> rom = build_option_rom_image(profile.rom);
    std::memcpy(flash.data(), rom.data(), rom.size());
    const std::vector<std::uint8_t> record = build_realistic_settings_record(profile);
    std::memcpy(flash.data() + kSettingsRecordFlashOffset, record.data(), record.size());
    return flash;
}
