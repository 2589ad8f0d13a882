// The table of settings: one row per setting=value name, the one place that
// knows which record field a setting writes, what it accepts and how it is
// refused. The assignments judge a value by its row and the export renders
// the field by the same row, so the two cannot drift apart.
#pragma once

#include "settings/boot_settings_record.h"

#include <cstddef>
#include <cstdint>
#include <span>

enum class setting_kind : std::uint8_t {
    choice,            // one of a few words, each storing one byte value
    target_from_dhcp,  // on/off words that move the network type to and from 2
    text,              // a text of at most maximum characters
    secret,            // a text that is empty or minimum to maximum characters
    number,            // a decimal number from minimum to maximum
    address,           // an IPv4 address in one of the parser's modes
    portal,            // n@address[:port] into portal entry n
    portal_tag,        // n: the portal entry n to delete
};

enum class word_match : std::uint8_t {
    whole,   // the value is the word
    starts,  // the value begins with the word
};

// One accepted word and the byte it stores. A list of choices ends with an
// entry without a word; for each stored value the first word listed for it
// is the one the export writes.
struct value_choice {
    const char* word;
    word_match how;
    std::uint8_t stored;
};

// What fills the %s of a refusal message.
enum class message_fill : std::uint8_t {
    none,
    name,   // the setting's name as typed
    value,  // the value as typed
};

// Settings are grouped by the length of their names: the group is chosen
// first, then the names within it in table order. Names of a length that no
// group has fall in this group.
inline constexpr std::size_t kOtherNameLengths = 0;

struct setting_row {
    const char* name;
    std::size_t name_length_group;  // the name's length, or kOtherNameLengths
    std::size_t compared_length;    // 0: the whole name, terminator included
    setting_kind kind;
    std::size_t field_offset;  // in the record
    std::size_t field_size;    // bytes
    const value_choice* choices = nullptr;
    // A flag byte counts as on when it is non-zero, whatever was written.
    bool is_flag = false;
    std::uint32_t minimum = 0;  // number: smallest value; secret: shortest text
    std::uint32_t maximum = 0;  // number: largest value; text: longest text
    // The usage text promises that an empty value clears a setting; numbers
    // for which 0 is a valid value (no VLAN tag, LUN 0) store 0 for it.
    bool empty_clears = false;
    int ipv4_mode = 0;
    const char* message = nullptr;  // the refusal line
    message_fill fill = message_fill::none;
    // address and portal: printed (without a newline) when a static adapter
    // without gateway cannot reach the new address.
    const char* warning = nullptr;
};

// Every row, in the order of comparison.
std::span<const setting_row> setting_rows();

// The row for a setting name as the configure command gives it, or nullptr.
const setting_row* find_setting_row(const char* name);

// The row of exactly this name (for the export, which names its settings).
const setting_row& setting_row_named(const char* name);

// The field of row in record, as bytes.
std::uint8_t* setting_field(boot_settings_record& record, const setting_row& row);
const std::uint8_t* setting_field(const boot_settings_record& record, const setting_row& row);

// A 16-bit number field of a number row (8-bit fields read as they are).
std::uint32_t read_number_field(const boot_settings_record& record, const setting_row& row);
void write_number_field(boot_settings_record& record, const setting_row& row, std::uint32_t number);

// The choice that value selects, or nullptr.
const value_choice* find_choice(const value_choice* choices, const char* value);

// The first word listed for stored, or nullptr when no word stores it.
const char* choice_word(const value_choice* choices, std::uint8_t stored);
