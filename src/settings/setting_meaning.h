// What the bytes of the record mean, decided here once: the display shows a
// field by it and the export writes the setting that stores it, so the two
// cannot disagree about a byte. Records written by other tools, and an
// erased sector, hold any byte anywhere, so every byte value has a meaning.
#pragma once

#include "settings/boot_settings_record.h"

#include <cstdint>

// The record holds two target portal entries, numbered 1 and 2.
inline constexpr int kPortalCount = sizeof(boot_settings_record::targetportal) / sizeof(portal_entry);

// A flag byte counts as on when it is non-zero, whatever was written.
bool flag_is_on(std::uint8_t stored);

// The byte a flag setting's words store for the flag's state: 1 or 0.
std::uint8_t flag_stored_value(std::uint8_t stored);

// The OS-initiator flag is inverted on flash: 0 means the OS initiator is
// used.
bool os_initiator_used(const boot_settings_record& record);

// A text field holds text when its first byte is printable ASCII: a cleared
// field (0) and erased flash (0xFF) both read as not set.
bool text_is_set(const char* field);

// Portal entry k, 1 to kPortalCount.
const portal_entry& portal_entry_at(const boot_settings_record& record, int k);

// An entry whose first address byte is 0 was deleted, 0xFF is erased flash:
// both are empty, and the firmware skips them.
bool portal_is_empty(const portal_entry& entry);

// Network type 2: the boot target comes from DHCP too.
bool target_from_dhcp(const boot_settings_record& record);
