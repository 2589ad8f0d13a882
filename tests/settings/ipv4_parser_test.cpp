// The dotted IPv4 parser in its three modes: what it stores, octet by octet,
// and which texts each mode refuses.
#include "settings/ipv4_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using octets = std::array<std::uint8_t, 4>;

struct parse_case {
    const char* text;
    int expected_result;
    octets expected_out;
};

// Parses into an out field pre-filled with a marker, so octets the parser
// never reached show up as 0xEE.
octets parse(const std::string& text, int mode, int* result, const octets& ip = {}, const octets& mask = {}) {
    octets out = {0xEE, 0xEE, 0xEE, 0xEE};
    *result = parse_ipv4(text.c_str(), mode, out.data(), ip.data(), mask.data());
    return out;
}

void expect_cases(int mode, const std::initializer_list<parse_case>& cases, const octets& ip = {},
                  const octets& mask = {}) {
    for (const parse_case& c : cases) {
        int result = 99;
        const octets out = parse(c.text, mode, &result, ip, mask);
        EXPECT_EQ(result, c.expected_result) << "text \"" << c.text << "\" mode " << mode;
        EXPECT_EQ(out, c.expected_out) << "text \"" << c.text << "\" mode " << mode;
    }
}

// Four octets of up to three digits in written order; no zero or broadcast
// octet where it cannot be, nothing malformed, no fourth octet cut short.
TEST(Ipv4Address, TakesFourOctetsInWrittenOrderAndNothingElse) {
    expect_cases(kIpv4Address, {
                                   {"10.0.0.1", 0, {10, 0, 0, 1}},
                                   {"192.168.1.254", 0, {192, 168, 1, 254}},
                                   {"010.001.000.009", 0, {10, 1, 0, 9}},  // up to three digits each
                                   // These used to be stored as addresses nobody typed: an empty
                                   // octet as 0, 256 as 0, whatever followed the fourth octet
                                   // ignored, blanks and signs read as atoi reads them.
                                   {"1..2.3", -1, {1, 0xEE, 0xEE, 0xEE}},
                                   {"10.256.0.1", -1, {10, 0xEE, 0xEE, 0xEE}},
                                   {"10.0.0.1 ", -1, {10, 0, 0, 1}},
                                   {"10.0.0.1abc", -1, {10, 0, 0, 1}},
                                   {"10.0.0.1.7", -1, {10, 0, 0, 1}},
                                   {" 9.+8.-0.7", -1, {0xEE, 0xEE, 0xEE, 0xEE}},
                                   {"10.-1x.0.1", -1, {10, 0xEE, 0xEE, 0xEE}},
                                   {"192.168.1.300", -1, {192, 168, 1, 0xEE}},
                                   {"999.1.1.1", -1, {0xEE, 0xEE, 0xEE, 0xEE}},
                                   {"1.2.3.4.5", -1, {1, 2, 3, 4}},
                                   {"10.0.0.7x.9", -1, {10, 0, 0, 7}},
                                   {"10.0.0.1\n", -1, {10, 0, 0, 1}},
                                   {"0.1.2.3", -1, {0, 0xEE, 0xEE, 0xEE}},
                                   {"10.0.0.255", -1, {10, 0, 0, 255}},
                                   {"10.0.0.0", -1, {10, 0, 0, 0}},
                                   {"10.255.0.1", -1, {10, 255, 0xEE, 0xEE}},  // stored, then refused
                                   {"10.0.255.1", -1, {10, 0, 255, 0xEE}},
                                   {"a.b.c.d", -1, {0xEE, 0xEE, 0xEE, 0xEE}},
                                   {"10.0.0.", -1, {10, 0, 0, 0xEE}},
                                   {"", -1, {0xEE, 0xEE, 0xEE, 0xEE}},
                                   {"1.2.3", -1, {1, 2, 3, 0xEE}},                // only two dots
                                   {"1234.1.1.1", -1, {0xEE, 0xEE, 0xEE, 0xEE}},  // no dot in 4 characters
                                   {"1.2222.3.4", -1, {1, 0xEE, 0xEE, 0xEE}},
                                   {"10.0.0", -1, {10, 0, 0, 0xEE}},
                                   {"10.0.0.1:80", -1, {10, 0, 0, 1}},
                                   // An octet has at most three digits; 1234 used to read as 123.
                                   {"1.2.3.1234", -1, {1, 2, 3, 0xEE}},
                                   {"1.2.3.12345", -1, {1, 2, 3, 0xEE}},
                                   {"1.2.3.0001", -1, {1, 2, 3, 0xEE}},
                                   {"1.2.3.  123", -1, {1, 2, 3, 0xEE}},
                                   {"1.2.3.123", 0, {1, 2, 3, 123}},
                                   {"1.2.3. 123", -1, {1, 2, 3, 0xEE}},  // no blank, no sign
                                   {"1.2.3.-1", -1, {1, 2, 3, 0xEE}},
                                   {"1.2.3.-254", -1, {1, 2, 3, 0xEE}},
                               });
}

TEST(Ipv4Mask, AcceptsNonIncreasingOctetsThatAre255OrEvenOnly) {
    expect_cases(kIpv4Mask, {
                                {"255.255.255.0", 0, {255, 255, 255, 0}},
                                {"255.254.0.0", 0, {255, 254, 0, 0}},
                                {"0.0.0.0", 0, {0, 0, 0, 0}},
                                {"255.250.0.0", 0, {255, 250, 0, 0}},
                                {"255.255.255.255", 0, {255, 255, 255, 255}},
                                {"255.255.255.252", 0, {255, 255, 255, 252}},
                                {"255.0.255.0", -1, {255, 0, 255, 0xEE}},
                                {"255.255.255.1", -1, {255, 255, 255, 1}},
                                {"255.255.0.128", -1, {255, 255, 0, 128}},
                                {"253.0.0.0", -1, {253, 0xEE, 0xEE, 0xEE}},
                                {"255.127.0.0", -1, {255, 127, 0xEE, 0xEE}},
                                {"255.255", -1, {255, 255, 0xEE, 0xEE}},
                                {"255.255.255.2550", -1, {255, 255, 255, 0xEE}},
                                {"a.b.c.d", -1, {0xEE, 0xEE, 0xEE, 0xEE}},  // used to be 0.0.0.0
                                {"255.255.255.0x", -1, {255, 255, 255, 0}},
                            });
}

const octets kAdapterIp = {192, 168, 1, 10};
const octets kAdapterMask = {255, 255, 255, 0};

TEST(Ipv4Gateway, MustShareTheAdaptersSubnet) {
    expect_cases(kIpv4Gateway,
                 {
                     {"192.168.1.1", 0, {192, 168, 1, 1}},
                     {"192.168.1.0", 0, {192, 168, 1, 0}},  // no check of the last octet
                     {"192.168.1.255", 0, {192, 168, 1, 255}},
                     {"192.168.2.1", -4, {192, 168, 2, 1}},  // whole gateway already stored
                     {"10.0.0.1", -4, {10, 0, 0, 1}},
                     {"0.168.1.1", -1, {0, 0xEE, 0xEE, 0xEE}},  // same octet rules as an address
                     {"192.255.1.1", -1, {192, 255, 0xEE, 0xEE}},
                     {"192.168.1", -1, {192, 168, 1, 0xEE}},
                     {"192.168.1.1x", -1, {192, 168, 1, 1}},
                 },
                 kAdapterIp, kAdapterMask);
}

TEST(Ipv4Gateway, SubnetTestSkippedUntilAddressAndMaskAreSet) {
    expect_cases(kIpv4Gateway, {{"10.9.8.7", 0, {10, 9, 8, 7}}}, kAdapterIp, octets{0, 0, 0, 0});
    expect_cases(kIpv4Gateway, {{"10.9.8.7", 0, {10, 9, 8, 7}}}, octets{0, 0, 0, 0}, kAdapterMask);
    expect_cases(kIpv4Gateway, {{"10.9.8.0", 0, {10, 9, 8, 0}}}, octets{0, 0, 0, 0}, octets{0, 0, 0, 0});
}

TEST(Ipv4Parser, RefusesUnusableArguments) {
    octets out = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(parse_ipv4(nullptr, kIpv4Address, out.data(), nullptr, nullptr), -1);
    EXPECT_EQ(parse_ipv4("10.0.0.1", 0, out.data(), nullptr, nullptr), -1);
    EXPECT_EQ(parse_ipv4("10.0.0.1", 4, out.data(), nullptr, nullptr), -1);
    EXPECT_EQ(parse_ipv4("10.0.0.1", kIpv4Gateway, out.data(), nullptr, nullptr), -1);
    EXPECT_EQ(out, (octets{0xEE, 0xEE, 0xEE, 0xEE}));
}

}  // namespace
