#include "emulator/contents/boot_settings_layout.h"

#include <cstring>

const settings_field kSettingsFields[] = {
    {"magic", 0x000, 4, settings_field_kind::magic},
    {"flag", 0x004, 1, settings_field_kind::number},
    {"length", 0x005, 2, settings_field_kind::number},
    {"reserved", 0x007, 1, settings_field_kind::reserved},
    {"version", 0x008, 2, settings_field_kind::number},
    {"initiatorname", 0x00A, 96, settings_field_kind::text},
    {"networktype", 0x06A, 1, settings_field_kind::number},
    {"staticip", 0x06B, 4, settings_field_kind::ipv4},
    {"staticmask", 0x06F, 4, settings_field_kind::ipv4},
    {"staticgw", 0x073, 4, settings_field_kind::ipv4},
    {"reserved", 0x077, 1, settings_field_kind::reserved},
    {"headerdigest", 0x078, 1, settings_field_kind::number},
    {"datadigest", 0x079, 1, settings_field_kind::number},
    {"targetname", 0x07A, 96, settings_field_kind::text},
    {"targetdiscoveryip", 0x0DA, 4, settings_field_kind::ipv4},
    {"targetdiscoveryport", 0x0DE, 2, settings_field_kind::number},
    {"reserved", 0x0E0, 1, settings_field_kind::reserved},
    {"targetportal", 0x0E1, 16, settings_field_kind::portals},
    {"portalgroup", 0x0F1, 1, settings_field_kind::number},
    {"targetlun", 0x0F2, 1, settings_field_kind::number},
    {"chaptype", 0x0F3, 1, settings_field_kind::number},
    {"initiatoruser", 0x0F4, 64, settings_field_kind::text},
    {"initiatorpass", 0x134, 32, settings_field_kind::text},
    {"targetuser", 0x154, 64, settings_field_kind::text},
    {"targetpass", 0x194, 32, settings_field_kind::text},
    {"reserved", 0x1B4, 1, settings_field_kind::reserved},
    {"preferredport", 0x1B5, 1, settings_field_kind::number},
    {"reserved", 0x1B6, 2, settings_field_kind::reserved},
    {"vlanid", 0x1B8, 2, settings_field_kind::number},
    {"bootenabled", 0x1BA, 1, settings_field_kind::number},
    {"oskorvaneini", 0x1BB, 1, settings_field_kind::number},
};

const int kSettingsFieldCount = static_cast<int>(sizeof kSettingsFields / sizeof kSettingsFields[0]);

const settings_field* find_settings_field(const char* name) {
    for (const settings_field& field : kSettingsFields) {
        if (std::strcmp(field.name, name) == 0) {
            return &field;
        }
    }
    return nullptr;
}
