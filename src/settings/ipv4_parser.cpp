// Dotted IPv4 text into the four bytes of a record field. Each octet is
// stored the moment it is read, so on a refusal the octets up to and
// including the refused one are already in out; callers that must not leave
// a half-written field parse into a scratch copy.
#include "settings/ipv4_parser.h"

#include "settings/setting_numbers.h"

#include <cstring>

namespace {

// An octet's text is at most 3 characters, so its dot must be within the
// first 4 characters of what is left.
constexpr std::size_t kOctetWindow = 4;

std::uint8_t octet_value(const char* text, std::size_t length) {
    // Only the low 8 bits are kept: -1 reads as 255 and 256 as 0.
    return static_cast<std::uint8_t>(leading_number(text, length) & 0xFF);
}

// A host address (and a gateway) never has 255 in an octet, and its first
// octet is never 0; 0 is fine further in (10.0.0.1).
bool host_octet_allowed(int index, std::uint8_t value) {
    return value != 255 && !(index == 0 && value == 0);
}

// A mask never grows from one octet to the next, and every octet is 255 or
// even: this admits the contiguous masks, and a few others of the same shape.
bool mask_octet_allowed(int index, std::uint8_t value, const std::uint8_t out[4]) {
    if (index > 0 && value > out[index - 1]) {
        return false;
    }
    return value == 255 || (value & 1) == 0;
}

bool octet_allowed(int mode, int index, std::uint8_t value, const std::uint8_t out[4]) {
    if (mode == kIpv4Mask) {
        return mask_octet_allowed(index, value, out);
    }
    return host_octet_allowed(index, value);
}

bool is_zero_address(const std::uint8_t* address) {
    return address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] == 0;
}

bool same_subnet(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* mask) {
    for (int i = 0; i < 4; ++i) {
        if ((a[i] & mask[i]) != (b[i] & mask[i])) {
            return false;
        }
    }
    return true;
}

// The fourth octet has no dot after it: the first 4 characters count. A
// number that runs on past them (1.2.3.1234) would be silently cut to its
// first digits, so it is refused instead.
// Blanks before the digits count against the window too, so "  123" would
// read as 12 and is refused for the same reason.
bool fourth_octet_cut_short(const char* rest) {
    const number_span span = leading_number_span(rest);
    return span.digits > 3 || span.digits_begin + span.digits > kOctetWindow;
}

int final_check(int mode, const std::uint8_t out[4], const std::uint8_t* ip, const std::uint8_t* mask) {
    const std::uint8_t last = out[3];
    switch (mode) {
        case kIpv4Address: return (last == 255 || last == 0) ? kIpv4Malformed : kIpv4Ok;
        case kIpv4Mask: return mask_octet_allowed(3, last, out) ? kIpv4Ok : kIpv4Malformed;
        default:
            // A gateway may end in any octet (192.168.1.0 is taken); it only has
            // to share the adapter's subnet, which is unknown until both the
            // adapter's address and its mask are set.
            if (is_zero_address(ip) || is_zero_address(mask)) {
                return kIpv4Ok;
            }
            return same_subnet(out, ip, mask) ? kIpv4Ok : kIpv4OutsideSubnet;
    }
}

}  // namespace

int parse_ipv4(const char* text, int mode, std::uint8_t out[4], const std::uint8_t* ip, const std::uint8_t* mask) {
    if (text == nullptr || out == nullptr || mode < kIpv4Address || mode > kIpv4Gateway) {
        return kIpv4Malformed;
    }
    if (mode == kIpv4Gateway && (ip == nullptr || mask == nullptr)) {
        return kIpv4Malformed;
    }
    const char* rest = text;
    for (int i = 0; i < 3; ++i) {
        const auto* dot = static_cast<const char*>(std::memchr(rest, '.', strnlen(rest, kOctetWindow)));
        if (dot == nullptr) {
            return kIpv4Malformed;
        }
        out[i] = octet_value(rest, static_cast<std::size_t>(dot - rest));
        if (!octet_allowed(mode, i, out[i], out)) {
            return kIpv4Malformed;
        }
        rest = dot + 1;
    }
    if (fourth_octet_cut_short(rest)) {
        return kIpv4Malformed;
    }
    out[3] = octet_value(rest, kOctetWindow);
    return final_check(mode, out, ip, mask);
}
