// Dotted IPv4 text into the four bytes of a record field. Each octet is
// stored the moment it is read and judged, so on a refusal by the mode the
// octets up to and including the refused one are already in out; callers
// that must not leave a half-written field parse into a scratch copy.
//
// The text must be exactly what an operator means by an address: four
// octets of 1 to 3 digits, 0 to 255, and nothing before, between or after
// them. Reading octets the lenient way (keeping the low 8 bits, ignoring
// what follows) stored 192.168.1.300 as 192.168.1.44: an address nobody
// typed, possibly another host's.
#include "settings/ipv4_parser.h"

namespace {

constexpr int kOctetDigitsMax = 3;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads one octet at *text: 1 to 3 digits of value at most 255, and moves
// past them. False when there is no such octet there.
bool read_octet(const char** text, std::uint8_t* value) {
    const char* p = *text;
    unsigned number = 0;
    int digits = 0;
    for (; digits < kOctetDigitsMax && is_digit(*p); ++digits, ++p) {
        number = number * 10 + static_cast<unsigned>(*p - '0');
    }
    if (digits == 0 || is_digit(*p) || number > 255) {
        return false;
    }
    *value = static_cast<std::uint8_t>(number);
    *text = p;
    return true;
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

int final_check(int mode, const std::uint8_t out[4], const std::uint8_t* ip, const std::uint8_t* mask) {
    const std::uint8_t last = out[3];
    switch (mode) {
        case kIpv4Address: return (last == 255 || last == 0) ? kIpv4Malformed : kIpv4Ok;
        case kIpv4Mask: return mask_octet_allowed(3, last, out) ? kIpv4Ok : kIpv4Malformed;
        default:
            // A gateway may end in any octet (192.168.1.0 is taken); it only has
            // to share the adapter's subnet, which is unknown until both the
            // adapter's address and its mask are set.
            if (is_unset_ipv4(ip) || is_unset_ipv4(mask)) {
                return kIpv4Ok;
            }
            return same_subnet(out, ip, mask) ? kIpv4Ok : kIpv4OutsideSubnet;
    }
}

}  // namespace

bool is_unset_ipv4(const std::uint8_t address[4]) {
    return address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] == 0;
}

bool same_subnet(const std::uint8_t a[4], const std::uint8_t b[4], const std::uint8_t mask[4]) {
    for (int i = 0; i < 4; ++i) {
        if ((a[i] & mask[i]) != (b[i] & mask[i])) {
            return false;
        }
    }
    return true;
}

int parse_ipv4(const char* text, int mode, std::uint8_t out[4], const std::uint8_t* ip, const std::uint8_t* mask) {
    if (text == nullptr || out == nullptr || mode < kIpv4Address || mode > kIpv4Gateway) {
        return kIpv4Malformed;
    }
    if (mode == kIpv4Gateway && (ip == nullptr || mask == nullptr)) {
        return kIpv4Malformed;
    }
    const char* rest = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *rest++ != '.') {
            return kIpv4Malformed;
        }
        if (!read_octet(&rest, &out[i])) {
            return kIpv4Malformed;
        }
        if (i < 3 && !octet_allowed(mode, i, out[i], out)) {
            return kIpv4Malformed;
        }
    }
    if (*rest != '\0') {
        return kIpv4Malformed;
    }
    return final_check(mode, out, ip, mask);
}
