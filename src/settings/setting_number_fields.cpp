// The settings whose value is a plain decimal number. Each has its own range,
// and a value outside it, or anything but digits, is refused: storing only
// the low bits of a number would put a different LUN, tag, port or VLAN in
// the record than the operator typed (300 would become LUN 44).
#include "settings/setting_handlers.h"

#include "settings/setting_numbers.h"

#include <cstdio>

namespace {

struct number_range {
    std::uint32_t minimum;
    std::uint32_t maximum;
    // The usage text promises that an empty value clears a setting; where 0
    // is a valid value (no VLAN tag, LUN 0), an empty value stores it.
    bool empty_clears;
    const char* message;
};

constexpr number_range kPortalGroupRange = {1, 255, false,
                                            "ERROR: Portal Group Tag should be positive integer number!\n"};
constexpr number_range kTargetLunRange = {0, 255, true,
                                          "ERROR: Target LUN should be an integer number from 0 to 255!\n"};
constexpr number_range kDiscoveryPortRange = {
    1, 65535, false, "ERROR: Target discovery TCP port should be an integer number from 1 to 65535!\n"};
// 4095 is reserved by 802.1Q; 0 clears the VLAN ID.
constexpr number_range kVlanIdRange = {0, 4094, true,
                                       "ERROR: VLAN ID needs to be between 1 and 4094 or 0 to clear the VLAN ID!\n"};

// True with the number in *number, or false after printing the message.
bool read_in_range(const char* value, const number_range& range, std::uint32_t* number) {
    if (range.empty_clears && value[0] == '\0') {
        *number = 0;
        return true;
    }
    if (parse_decimal_in_range(value, range.minimum, range.maximum, number)) {
        return true;
    }
    std::fputs(range.message, stderr);
    return false;
}

}  // namespace

int apply_portalgroup(boot_settings_record& record, const char*, const char* value) {
    std::uint32_t number = 0;
    if (!read_in_range(value, kPortalGroupRange, &number)) {
        return -1;
    }
    record.portalgroup = static_cast<std::uint8_t>(number);
    return 0;
}

int apply_targetlun(boot_settings_record& record, const char*, const char* value) {
    std::uint32_t number = 0;
    if (!read_in_range(value, kTargetLunRange, &number)) {
        return -1;
    }
    record.targetlun = static_cast<std::uint8_t>(number);
    return 0;
}

int apply_targetdiscoveryport(boot_settings_record& record, const char*, const char* value) {
    std::uint32_t number = 0;
    if (!read_in_range(value, kDiscoveryPortRange, &number)) {
        return -1;
    }
    record.targetdiscoveryport = static_cast<std::uint16_t>(number);
    return 0;
}

int apply_vlanid(boot_settings_record& record, const char*, const char* value) {
    std::uint32_t number = 0;
    if (!read_in_range(value, kVlanIdRange, &number)) {
        return -1;
    }
    record.vlanid = static_cast<std::uint16_t>(number);
    return 0;
}
