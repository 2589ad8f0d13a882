// The dotted IPv4 parser in each of its modes. The first byte chooses the
// mode, the next eight are the adapter's address and mask for the gateway
// mode, the rest is the text, cut at its first NUL as a C string is.
#include "settings/ipv4_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 9;
    if (size < kHeader) {
        return 0;
    }
    const int mode = kIpv4Address + data[0] % 3;
    const std::string text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
    std::uint8_t out[4] = {};
    const int result = parse_ipv4(text.c_str(), mode, out, data + 1, data + 5);
    if (result != kIpv4Ok && result != kIpv4Malformed && !(mode == kIpv4Gateway && result == kIpv4OutsideSubnet)) {
        std::abort();  // a result no caller handles
    }
    return 0;
}
