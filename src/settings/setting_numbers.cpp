#include "settings/setting_numbers.h"

#include <cctype>
#include <limits>

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Past the white space and the sign that may precede a number's digits.
std::size_t skip_blanks_and_sign(const char* text, std::size_t length, bool* negative) {
    std::size_t i = 0;
    while (i < length && text[i] != '\0' && std::isspace(static_cast<unsigned char>(text[i])) != 0) {
        ++i;
    }
    *negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        *negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

std::int32_t leading_number(const char* text, std::size_t length) {
    bool negative = false;
    std::size_t i = skip_blanks_and_sign(text, length, &negative);
    // Accumulated as a magnitude in 64 bits and clamped once it passes the
    // 32-bit range, so a long run of digits cannot overflow.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; i < length && is_digit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

bool parse_decimal_in_range(const char* text, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t* out) {
    if (text == nullptr || text[0] == '\0') {
        return false;
    }
    std::uint64_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (!is_digit(*p)) {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
        // Leading zeros keep value small; any other long number is out of
        // range long before 64 bits could overflow.
        if (value > maximum) {
            return false;
        }
    }
    if (value < minimum) {
        return false;
    }
    *out = static_cast<std::uint32_t>(value);
    return true;
}
