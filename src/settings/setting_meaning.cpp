#include "settings/setting_meaning.h"

bool flag_is_on(std::uint8_t stored) {
    return stored != 0;
}

std::uint8_t flag_stored_value(std::uint8_t stored) {
    return flag_is_on(stored) ? 1 : 0;
}

bool os_initiator_used(const boot_settings_record& record) {
    return flag_stored_value(record.oskorvaneini) == kOsInitiatorUsed;
}

bool text_is_set(const char* field) {
    const auto first = static_cast<unsigned char>(field[0]);
    return first >= 0x20 && first <= 0x7E;
}

const portal_entry& portal_entry_at(const boot_settings_record& record, int k) {
    return record.targetportal[k - 1];
}

bool portal_is_empty(const portal_entry& entry) {
    return entry.ip[0] == 0 || entry.ip[0] == 0xFF;
}

bool target_from_dhcp(const boot_settings_record& record) {
    return record.networktype == kNetworkDhcpWithTarget;
}
