#include "settings/boot_settings_record.h"

#include <cstring>

bool is_version_1_0(const boot_settings_record& record) {
    return (record.version & 0xFF00) == 0x0100;
}

bool has_settings_magic(const boot_settings_record& record) {
    return std::memcmp(record.magic, kSettingsMagic, sizeof kSettingsMagic) == 0;
}

void fix_up_settings_header(boot_settings_record* record) {
    if (!has_settings_magic(*record)) {
        std::memcpy(record->magic, kSettingsMagic, sizeof kSettingsMagic);
    }
    if (record->flag == 0) {
        record->flag = 1;
    }
    if (record->length != kSettingsRecordLength) {
        record->length = kSettingsRecordLength;
    }
}
