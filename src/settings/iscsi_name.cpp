// The three forms of an iSCSI name, read left to right in one pass with no
// copy: the text is at most a record field long when a setting is judged,
// but any zero-terminated text is read safely.
#include "settings/iscsi_name.h"

#include "platform/refusal.h"

#include <cstring>

namespace {

// The two record fields that hold iSCSI names.
constexpr const char* kNameSettings[] = {"initiatorname", "targetname"};

constexpr const char* kNotAName =
    "ERROR: %s must be an iSCSI name: iqn.yyyy-mm.reversed.domain[:text], eui. and 16 hexadecimal digits, or naa. "
    "and 16 or 32 hexadecimal digits!\n";

// An EUI-64 is 64 bits; a NAA identifier is 64 or 128 bits (types 2, 3 and
// 5 the short one, type 6 the long one).
constexpr std::size_t kEuiDigits = 16;
constexpr std::size_t kNaaShortDigits = 16;
constexpr std::size_t kNaaLongDigits = 32;
constexpr int kYearDigits = 4;
constexpr int kMonthDigits = 2;

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_letter_or_digit(char c) {
    const char f = folded(c);
    return is_digit(f) || (f >= 'a' && f <= 'z');
}

bool is_hex_digit(char c) {
    const char f = folded(c);
    return is_digit(f) || (f >= 'a' && f <= 'f');
}

// The characters a name keeps after the standard's normalisation.
bool is_name_character(char c) {
    return is_letter_or_digit(c) || c == '-' || c == '.' || c == ':';
}

// Moves *text past prefix (lower case) when the text begins with it in
// either case.
bool skip_prefix(const char** text, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    for (std::size_t i = 0; i < length; ++i) {
        if (folded((*text)[i]) != prefix[i]) {
            return false;
        }
    }
    *text += length;
    return true;
}

// Exactly digits hexadecimal digits and nothing after them.
bool is_hex_number(const char* text, std::size_t digits) {
    std::size_t n = 0;
    while (is_hex_digit(text[n])) {
        ++n;
    }
    return n == digits && text[n] == '\0';
}

// count decimal digits at *text, their value in *value.
bool read_digits(const char** text, int count, int* value) {
    *value = 0;
    for (int i = 0; i < count; ++i, ++*text) {
        if (!is_digit(**text)) {
            return false;
        }
        *value = *value * 10 + (**text - '0');
    }
    return true;
}

// yyyy-mm: the month in which the naming authority held its domain name.
bool skip_date(const char** text) {
    int year = 0;
    int month = 0;
    if (!read_digits(text, kYearDigits, &year) || **text != '-') {
        return false;
    }
    ++*text;
    return read_digits(text, kMonthDigits, &month) && month >= 1 && month <= 12;
}

// The naming authority's domain name, top level first ("com.example"):
// labels of letters, digits and hyphens joined by dots, none empty. Stops
// at the end or at the ':' that opens the authority's own part.
bool skip_reversed_domain(const char** text) {
    for (;;) {
        const char* label = *text;
        while (is_letter_or_digit(**text) || **text == '-') {
            ++*text;
        }
        if (*text == label) {
            return false;
        }
        if (**text != '.') {
            return **text == '\0' || **text == ':';
        }
        ++*text;
    }
}

// After "iqn.": date, '.', reversed domain, then optionally ':' and any
// text of name characters.
bool is_iqn_rest(const char* text) {
    if (!skip_date(&text) || *text != '.') {
        return false;
    }
    ++text;
    if (!skip_reversed_domain(&text)) {
        return false;
    }
    if (*text == ':') {
        for (++text; *text != '\0'; ++text) {
            if (!is_name_character(*text)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool is_name_setting(const setting_row& row) {
    for (const char* name : kNameSettings) {
        if (std::strcmp(row.name, name) == 0) {
            return true;
        }
    }
    return false;
}

bool is_iscsi_name(const char* text) {
    if (skip_prefix(&text, "iqn.")) {
        return is_iqn_rest(text);
    }
    if (skip_prefix(&text, "eui.")) {
        return is_hex_number(text, kEuiDigits);
    }
    if (skip_prefix(&text, "naa.")) {
        return is_hex_number(text, kNaaShortDigits) || is_hex_number(text, kNaaLongDigits);
    }
    return false;
}

int refuse_unless_iscsi_name(const setting_row& row, const char* value) {
    if (!is_name_setting(row) || value[0] == '\0' || is_iscsi_name(value)) {
        return 0;
    }
    return refuse_with(kNotAName, row.name);
}
