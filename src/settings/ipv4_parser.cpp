// PENDING: stub until the IPv4 parser is built.
#include "settings/ipv4_parser.h"
int parse_ipv4(const char*, int, std::uint8_t*, const std::uint8_t*, const std::uint8_t*) { return -1; }
