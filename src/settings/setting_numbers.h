// The two ways a setting value is read as a number.
#pragma once

#include <cstddef>
#include <cstdint>

// The number at the start of the first length characters of text, read the
// way the C runtime's atoi reads it: optional white space, an optional sign,
// then digits up to the first non-digit; no digits give 0. Values beyond the
// 32-bit range saturate, so callers that keep only the low bits never see an
// overflowed result. Portal tag numbers are read this way.
std::int32_t leading_number(const char* text, std::size_t length);

// A value that must be nothing but a decimal number: digits only (no sign,
// blank or trailing text), at least one, and from minimum to maximum. Stores
// the number in out and returns true, or returns false leaving out alone.
bool parse_decimal_in_range(const char* text, std::uint32_t minimum, std::uint32_t maximum, std::uint32_t* out);
