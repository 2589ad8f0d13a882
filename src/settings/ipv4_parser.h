// The dotted IPv4 parser behind the address, mask and gateway settings.
#pragma once

#include <cstdint>

enum ipv4_mode : int {
    kIpv4Address = 1,  // a host address
    kIpv4Mask = 2,     // a subnet mask
    kIpv4Gateway = 3,  // a gateway in the adapter's own subnet
};

inline constexpr int kIpv4Ok = 0;
inline constexpr int kIpv4Malformed = -1;
inline constexpr int kIpv4OutsideSubnet = -4;

// Parses a.b.c.d into out (a first), storing each octet as it goes. The text
// is exactly four octets of 1 to 3 decimal digits, each 0 to 255, joined by
// dots, and nothing else. ip and mask are read in gateway mode only. 0, -1,
// or -4 (gateway mode).
int parse_ipv4(const char* text, int mode, std::uint8_t out[4], const std::uint8_t* ip, const std::uint8_t* mask);

// 0.0.0.0: an address or mask that is not set.
bool is_unset_ipv4(const std::uint8_t address[4]);

// a and b lie in the same subnet under mask (byte by byte).
bool same_subnet(const std::uint8_t a[4], const std::uint8_t b[4], const std::uint8_t mask[4]);
