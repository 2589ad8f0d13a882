// The settings whose value is a word, a text or a plain number.
#include "settings/setting_values.h"

#include "platform/refusal.h"
#include "settings/iscsi_name.h"
#include "settings/setting_numbers.h"
#include "settings/setting_refusal.h"

#include <cstring>

int apply_choice(boot_settings_record& record, const setting_row& row, const char* name, const char* value) {
    const value_choice* c = find_choice(row.choices, value);
    if (c == nullptr) {
        return refuse_by_row(row, name, value);
    }
    *setting_field(record, row) = c->stored;
    return 0;
}

// The target from DHCP only makes sense on top of DHCP addressing, so on
// selects network type 2. Off steps back from 2 to plain DHCP; a static or
// plain DHCP network type is already "off" and stays as it is.
int apply_target_from_dhcp(boot_settings_record& record, const setting_row& row, const char* name, const char* value) {
    const value_choice* c = find_choice(row.choices, value);
    if (c == nullptr) {
        return refuse_by_row(row, name, value);
    }
    if (c->stored == 1) {
        record.networktype = kNetworkDhcpWithTarget;
    } else if (record.networktype == kNetworkDhcpWithTarget) {
        record.networktype = kNetworkDhcp;
    }
    return 0;
}

// The field is cleared whole before the value is copied in, so the text is
// always zero-terminated and no tail of a longer earlier text survives
// behind it. Counting stops just past the bound, so a value of any length is
// measured without reading more than needed.
int apply_text(boot_settings_record& record, const setting_row& row, const char* value) {
    const std::size_t length = strnlen(value, row.maximum + 1);
    const bool too_short = row.kind == setting_kind::secret && length != 0 && length < row.minimum;
    if (length > row.maximum || too_short || length >= row.field_size) {
        return refuse(row.message);
    }
    if (refuse_unless_iscsi_name(row, value) != 0) {
        return -1;
    }
    std::uint8_t* field = setting_field(record, row);
    std::memset(field, 0, row.field_size);
    std::memcpy(field, value, length);
    return 0;
}

// Nothing but digits, inside the row's range: storing only the low bits of a
// number would put a different LUN, tag, port or VLAN in the record than the
// operator typed (300 would become LUN 44).
int apply_number(boot_settings_record& record, const setting_row& row, const char* value) {
    std::uint32_t number = 0;
    if (!(row.empty_clears && value[0] == '\0') && !parse_decimal_in_range(value, row.minimum, row.maximum, &number)) {
        return refuse(row.message);
    }
    write_number_field(record, row, number);
    return 0;
}
