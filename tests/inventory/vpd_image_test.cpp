// The VPD image: both ranges read word by word, the fixed keyword layout
// laid over the adapter's bytes, and the RV checksum; checked by walking the
// result as PCI VPD resource items.
#include "inventory/vpd_image.h"
#include "pci/vpd_access.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kCap = 0x40;

struct built_image {
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kVpdSpaceSize, 0);
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kVpdImageSize, 0xAA);
    std::vector<std::uint8_t> high = std::vector<std::uint8_t>(kVpdHighBlockSize, 0xAA);
    std::string out;
    std::string err;
};

// Powers the bench's adapter on with its VPD capability at kCap and builds
// its image.
built_image build(adapter_bench* bench) {
    bench->setup().set_only_vpd_capability(kCap);
    bench->setup().vpd_at = kCap;
    EXPECT_EQ(bench->power_on(), 1);
    built_image b;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    vpd_build_image(0, kCap, b.buffer.data(), b.image.data(), b.high.data());
    b.out = ::testing::internal::GetCapturedStdout();
    b.err = ::testing::internal::GetCapturedStderr();
    return b;
}

// What a PCI VPD reader finds: every item (by tag) and every keyword of the
// read-only and read-write items, with their lengths, in order.
struct vpd_entry {
    std::string name;
    unsigned length;
    bool operator==(const vpd_entry&) const = default;
};

void PrintTo(const vpd_entry& e, std::ostream* os) {
    *os << e.name << "/" << e.length;
}

std::vector<vpd_entry> walk_vpd_items(const std::vector<std::uint8_t>& image, std::size_t* end_tag_offset) {
    std::vector<vpd_entry> found;
    std::size_t offset = 0;
    while (offset < image.size()) {
        const std::uint8_t tag = image[offset];
        if (tag == 0x78) {
            found.push_back({"end", 0});
            *end_tag_offset = offset;
            return found;
        }
        if ((tag & 0x80) == 0 || offset + 3 > image.size()) {
            found.push_back({"bad tag", tag});
            return found;
        }
        const unsigned length = image[offset + 1] | (image[offset + 2] << 8);
        const std::size_t data = offset + 3;
        if (tag == 0x82) {
            found.push_back({"identifier", length});
        } else if (tag == 0x90 || tag == 0x91) {
            found.push_back({tag == 0x90 ? "read-only" : "read-write", length});
            std::size_t k = data;
            while (k + 3 <= data + length) {
                found.push_back(
                    {std::string{static_cast<char>(image[k]), static_cast<char>(image[k + 1])}, image[k + 2]});
                k += 3u + image[k + 2];
            }
            if (k != data + length) {
                found.push_back({"keywords overrun", static_cast<unsigned>(k - data)});
            }
        } else {
            found.push_back({"unknown item", tag});
        }
        offset = data + length;
    }
    *end_tag_offset = offset;
    return found;
}

const std::vector<vpd_entry> kExpectedItems = {
    {"identifier", 16}, {"read-only", 234}, {"PN", 16},  {"EC", 16}, {"SL", 16},          {"NA", 12}, {"V0", 6},
    {"V1", 6},          {"V2", 6},          {"V3", 6},   {"V4", 2},  {"V5", 6},           {"V6", 6},  {"V7", 2},
    {"V8", 2},          {"V9", 2},          {"VA", 2},   {"RV", 80}, {"read-write", 252}, {"VC", 16}, {"VD", 16},
    {"VE", 16},         {"VF", 16},         {"RW", 173}, {"end", 0},
};

unsigned sum_to_checksum(const std::vector<std::uint8_t>& image) {
    unsigned sum = 0;
    for (std::size_t i = 0; i <= 0x0B0; ++i) {
        sum += image[i];
    }
    return sum % 256;
}

void expect_well_formed(const std::vector<std::uint8_t>& image) {
    std::size_t end = 0;
    EXPECT_EQ(walk_vpd_items(image, &end), kExpectedItems);
    EXPECT_EQ(end, 0x1FFu);
    EXPECT_EQ(sum_to_checksum(image), 0u);
}

void expect_zero(const std::vector<std::uint8_t>& image, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last; ++i) {
        ASSERT_EQ(image[i], 0) << "image offset " << i;
    }
}

// A VPD as an adapter might hold it, in the standard format, but with item
// and keyword lengths and a checksum of its own, and foreign bytes in the
// areas that the layout owns.
void write_realistic_vpd(adapter_contents* device) {
    std::vector<std::uint8_t>& v = device->vpd;
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i] = static_cast<std::uint8_t>(0x5A ^ (i * 13));
    }
    std::uint8_t* image = v.data() + 0xC00;
    std::memcpy(image + 0x003, "Dual Port HBA   ", 16);
    std::memcpy(image + 0x019, "PN-4711-00000000", 16);
    std::memcpy(image + 0x052, "0a1B2c3D4e5F", 12);
    image[0x000] = 0x82;
    image[0x001] = 0x0D;  // a length of its own
    image[0x0B0] = 0x99;  // a stale checksum
    image[0x1FF] = 0x00;
    v[0x194E] = 0x34;
    v[0x194F] = 0x12;
    v[0x1950] = 0x78;
    v[0x1951] = 0x56;
}

// Every image offset that is not a data field, as the adapter never decides it.
bool is_data_field(std::size_t i) {
    struct range {
        std::size_t first, last;
    };
    static const range kData[] = {{0x003, 0x012}, {0x019, 0x028}, {0x02C, 0x03B}, {0x03F, 0x04E}, {0x052, 0x05D},
                                  {0x061, 0x066}, {0x06A, 0x06F}, {0x073, 0x078}, {0x07C, 0x081}, {0x085, 0x086},
                                  {0x08A, 0x08F}, {0x093, 0x098}, {0x09C, 0x09D}, {0x0A1, 0x0A2}, {0x0A6, 0x0A7},
                                  {0x0AB, 0x0AC}, {0x106, 0x115}, {0x119, 0x128}, {0x12C, 0x13B}, {0x13F, 0x14E}};
    for (const range& r : kData) {
        if (i >= r.first && i <= r.last) {
            return true;
        }
    }
    return false;
}

// An all-zero VPD and a blank one (0xFF): the layout, the checksum, the data
// fields as the adapter holds them and the reserved areas cleared; both
// ranges read in ascending order, and one empty line printed.
TEST(VpdImage, ZeroOrBlankVpdGivesTheLayoutChecksumAndData) {
    for (const auto& [fill, checksum] : {std::pair<std::uint8_t, std::uint8_t>{0x00, 0x3E}, {0xFF, 0xB8}}) {
        SCOPED_TRACE(int{fill});
        adapter_bench bench;
        bench.setup().vpd.assign(kVpdSpaceSize, fill);
        const built_image b = build(&bench);
        expect_well_formed(b.image);
        EXPECT_EQ(b.image[0x0B0], checksum);
        expect_zero(b.image, 0x0B1, 0x0FF);
        expect_zero(b.image, 0x152, 0x1FE);
        for (std::size_t i = 0; i < kVpdImageSize; ++i) {
            if (is_data_field(i)) {
                ASSERT_EQ(b.image[i], fill) << "image offset " << i;
            }
        }
        EXPECT_EQ(b.high, std::vector<std::uint8_t>(kVpdHighBlockSize, fill));
        std::vector<std::uint32_t> addresses;
        for (const recorded_request& r : bench.requests) {
            if (r.kind == recorded_kind::config_write && r.offset == kCap) {
                addresses.push_back(r.value >> 16);
            }
        }
        std::vector<std::uint32_t> expected;
        for (std::uint32_t a = 0xC00; a < 0x2000; a = a == 0xDFC ? 0x1000 : a + 4) {
            expected.push_back(a);
        }
        EXPECT_EQ(addresses, expected);
        EXPECT_EQ(b.out, "\n");
        EXPECT_EQ(b.err, "");
    }
}

TEST(VpdImage, RealisticVpdKeepsEveryDataByteAndIsWellFormed) {
    adapter_bench bench;
    adapter_contents& device = bench.setup();
    write_realistic_vpd(&device);
    const built_image b = build(&bench);
    expect_well_formed(b.image);
    for (std::size_t i = 0; i < kVpdImageSize; ++i) {
        if (is_data_field(i)) {
            ASSERT_EQ(b.image[i], device.vpd[0xC00 + i]) << "image offset " << i;
        }
    }
    EXPECT_TRUE(std::equal(b.high.begin(), b.high.end(), device.vpd.begin() + 0x1000));
    // The read buffer holds both ranges by VPD address, the rest zero.
    EXPECT_TRUE(std::equal(b.buffer.begin() + 0xC00, b.buffer.begin() + 0xE00, device.vpd.begin() + 0xC00));
    expect_zero(b.buffer, 0, 0xBFF);
    expect_zero(b.buffer, 0xE00, 0xFFF);
}

TEST(VpdImage, ChecksumCoversTheReadOnlyDataButNotTheReadWriteItem) {
    adapter_bench bench;
    adapter_contents& device = bench.setup();
    write_realistic_vpd(&device);
    const std::uint8_t reference = build(&bench).image[0x0B0];

    device.vpd[0xC00 + 0x106] ^= 0x55;  // inside the VC data
    EXPECT_EQ(build(&bench).image[0x0B0], reference);

    for (std::size_t offset : {0x003, 0x052, 0x0AC}) {
        adapter_bench changed_bench;
        adapter_contents& changed = changed_bench.setup();
        write_realistic_vpd(&changed);
        changed.vpd[0xC00 + offset] = static_cast<std::uint8_t>(changed.vpd[0xC00 + offset] + 1);
        const built_image b = build(&changed_bench);
        EXPECT_NE(b.image[0x0B0], reference) << "data at " << offset;
        EXPECT_EQ(sum_to_checksum(b.image), 0u);
    }
}

TEST(VpdImage, FailedDataReadRepeatsThePreviousWord) {
    adapter_bench bench;
    adapter_contents& device = bench.setup();
    write_realistic_vpd(&device);
    bench.setup().failing_vpd_data_reads = {1, 6};  // the first word of the call, and 0xC14
    const built_image b = build(&bench);
    expect_zero(b.buffer, 0xC00, 0xC03);
    EXPECT_TRUE(std::equal(b.buffer.begin() + 0xC14, b.buffer.begin() + 0xC18, device.vpd.begin() + 0xC10));
    EXPECT_TRUE(std::equal(b.buffer.begin() + 0xC18, b.buffer.begin() + 0xE00, device.vpd.begin() + 0xC18));
    expect_well_formed(b.image);
}

TEST(VpdImage, StuckVpdGivesUpOnTheAdapterAfterOneTimedOutWord) {
    adapter_bench bench;
    adapter_contents& device = bench.setup();
    write_realistic_vpd(&device);
    device.faults = "vpd-stuck\n";
    const auto start = std::chrono::steady_clock::now();
    const built_image b = build(&bench);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(kVpdReadTimeoutMs) + std::chrono::seconds(2));
    EXPECT_EQ(bench.vpd_reads_started, 1u);
    EXPECT_EQ(b.out, "\n");
    EXPECT_EQ(b.err, "ERROR: VPD read did not complete.\n");
    EXPECT_EQ(b.high, std::vector<std::uint8_t>(kVpdHighBlockSize, 0));
    expect_well_formed(b.image);
    EXPECT_EQ(b.image[0x0B0], 0x3E);
}

TEST(VpdImage, TimeoutAfterGoodWordsKeepsTheLastWordForTheRest) {
    // A device that answers two words and then stops: every later word
    // repeats the last one read, as failed reads would.
    adapter_bench bench;
    adapter_contents& device = bench.setup();
    write_realistic_vpd(&device);
    bench.setup().vpd_stuck_from = 3;
    const built_image b = build(&bench);
    EXPECT_EQ(bench.vpd_reads_started, 3u);
    EXPECT_EQ(b.err, "ERROR: VPD read did not complete.\n");
    EXPECT_TRUE(std::equal(b.buffer.begin() + 0xC00, b.buffer.begin() + 0xC08, device.vpd.begin() + 0xC00));
    for (std::size_t a = 0xC08; a < 0x2000; a += 4) {
        if (a == 0xE00) {
            a = 0x1000;
        }
        ASSERT_TRUE(std::equal(b.buffer.begin() + a, b.buffer.begin() + a + 4, device.vpd.begin() + 0xC04))
            << "VPD address " << a;
    }
}

}  // namespace
