// Finding the $DM$ header: the search over exactly the 512 bytes given (a
// header must lie whole inside them), and read_dm_header on an emulated
// adapter's flash with its messages.
#include "optionrom/option_rom.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Exactly the searched bytes on the heap, so that a read past them is an
// AddressSanitizer error; no '$' anywhere but where a test puts it.
std::vector<std::uint8_t> rom_start() {
    std::vector<std::uint8_t> bytes(kDmHeaderSearchSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(0x40 + i % 32);
    }
    bytes[0] = 0x55;
    bytes[1] = 0xAA;
    return bytes;
}

// "$DM$" at offset, followed by as many header bytes as fit.
void put_dm(std::vector<std::uint8_t>* bytes, std::size_t offset) {
    const std::uint8_t header[16] = {'$', 'D', 'M', '$', 5, 2, 12, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (std::size_t i = 0; i < 16 && offset + i < bytes->size(); ++i) {
        (*bytes)[offset + i] = header[i];
    }
}

dm_header junk_header() {
    dm_header h;
    std::memset(&h, 0xEE, sizeof h);
    return h;
}

// A header is found wherever it lies whole in the 512 bytes searched; from
// offset 497 on its 16 bytes would run past them.
TEST(FindDmHeader, FindsAHeaderOnlyWhereItLiesWhole) {
    for (const std::size_t offset : {0, 0x1A, 496, 497, 505, 508, 509, 511}) {
        std::vector<std::uint8_t> bytes = rom_start();
        put_dm(&bytes, offset);
        dm_header header = junk_header();
        const int found = find_dm_header(bytes.data(), &header);
        EXPECT_EQ(found, offset <= 496 ? 0 : 1) << offset;
        if (found == 0) {
            EXPECT_EQ(std::memcmp(&header, bytes.data() + offset, 16), 0) << offset;
            EXPECT_EQ(header.major, 2);
            EXPECT_EQ(header.minor, 5);
            EXPECT_EQ(std::uint16_t{header.third}, 12);
        }
        // Nothing given finds nothing.
        EXPECT_EQ(find_dm_header(nullptr, &header), 1);
        EXPECT_EQ(find_dm_header(bytes.data(), nullptr), 1);
    }
}

TEST(FindDmHeader, TakesTheFirstOccurrenceAndIgnoresNearMisses) {
    std::vector<std::uint8_t> bytes = rom_start();
    std::memcpy(bytes.data() + 8, "$DM#", 4);
    std::memcpy(bytes.data() + 16, "$D$DM", 5);
    put_dm(&bytes, 0x100);
    put_dm(&bytes, 0x40);
    bytes[0x44] = 9;  // minor of the first header
    dm_header header = junk_header();
    ASSERT_EQ(find_dm_header(bytes.data(), &header), 0);
    EXPECT_EQ(std::memcmp(&header, bytes.data() + 0x40, 16), 0);
    EXPECT_EQ(header.minor, 9);
}

using ReadDmHeader = adapter_bench_test;

// The header of the Option ROM in flash, copied; a header beyond the first
// 512 bytes is not found, silently; no signature is reported; a read that
// fails is reported with the flash layer's own code (not -1, "not found").
// Whatever fails leaves the header zero.
TEST_F(ReadDmHeader, CopiesTheHeaderOrSaysWhyNot) {
    struct read_case {
        long dm_offset;  // -1: no Option ROM at all
        bool reversed;   // the signature's bytes swapped
        const char* faults;
        int code;  // 1: a flash layer's code
        std::string err;
    };
    const std::vector<read_case> cases = {
        {0x1A, false, "", 0, ""},
        {512, false, "", -1, ""},
        {497, false, "", -1, ""},
        {-1, false, "", -1, "ERROR: Could not find valid Option ROM!\n"},
        {0x1A, true, "", -1, "ERROR: Could not find valid Option ROM!\n"},
        {0x1A, false, "controller-stuck\n", 1, "~\nERROR: Could not read data at start of Option ROM!\n"},
    };
    for (const read_case& c : cases) {
        SCOPED_TRACE(c.dm_offset);
        hw().flash = erased_flash();
        if (c.dm_offset >= 0) {
            put_option_rom(&hw().flash, c.dm_offset, 2, 5, 12);
        }
        hw().flash[0] = c.reversed ? 0xAA : hw().flash[0];
        hw().flash[1] = c.reversed ? 0x55 : hw().flash[1];
        hw().faults = c.faults;
        bench.power_on();
        dm_header header = junk_header();
        int rc = -99;
        const captured_output printed = capture_output([&] { rc = read_dm_header(0, &header); });
        EXPECT_EQ(printed.out, "");
        if (c.code == 1) {
            EXPECT_NE(rc, 0);
            EXPECT_NE(rc, -1);
            EXPECT_TRUE(printed.err.ends_with(c.err.substr(1))) << printed.err;
        } else {
            EXPECT_EQ(rc, c.code);
            EXPECT_EQ(printed.err, c.err);
        }
        dm_header expected{};
        if (c.code == 0) {
            std::memcpy(&expected, hw().flash.data() + c.dm_offset, sizeof expected);
            EXPECT_EQ(header.major, 2);
            EXPECT_EQ(header.minor, 5);
            EXPECT_EQ(std::uint16_t{header.third}, 12);
        }
        EXPECT_EQ(std::memcmp(&header, &expected, sizeof expected), 0);
    }
}

TEST_F(ReadDmHeader, NoHeaderCopyGiven) {
    bench.power_on();
    int rc = -99;
    const captured_output printed = capture_output([&] { rc = read_dm_header(0, nullptr); });
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(bench.requests.size(), 0);
}

}  // namespace
