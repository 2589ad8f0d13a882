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

TEST(FindDmHeader, FindsAHeaderWhereverItLiesWhole) {
    for (std::size_t offset : {std::size_t{0}, std::size_t{0x1A}, std::size_t{496}}) {
        std::vector<std::uint8_t> bytes = rom_start();
        put_dm(&bytes, offset);
        dm_header header = junk_header();
        ASSERT_EQ(find_dm_header(bytes.data(), &header), 0) << offset;
        EXPECT_EQ(std::memcmp(&header, bytes.data() + offset, 16), 0) << offset;
        EXPECT_EQ(header.major, 2);
        EXPECT_EQ(header.minor, 5);
        EXPECT_EQ(std::uint16_t{header.third}, 12);
    }
}

// From offset 497 on the 16 bytes would run past the 512 searched.
TEST(FindDmHeader, SkipsAHeaderThatWouldRunPastTheSearchedBytes) {
    for (std::size_t offset :
         {std::size_t{497}, std::size_t{505}, std::size_t{508}, std::size_t{509}, std::size_t{511}}) {
        std::vector<std::uint8_t> bytes = rom_start();
        put_dm(&bytes, offset);
        dm_header header = junk_header();
        EXPECT_EQ(find_dm_header(bytes.data(), &header), 1) << offset;
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

TEST(FindDmHeader, NothingGivenFindsNothing) {
    std::vector<std::uint8_t> bytes = rom_start();
    put_dm(&bytes, 0);
    dm_header header;
    EXPECT_EQ(find_dm_header(nullptr, &header), 1);
    EXPECT_EQ(find_dm_header(bytes.data(), nullptr), 1);
}

class ReadDmHeader : public adapter_bench_test {
protected:
    int read(dm_header* header, captured_output* printed) {
        int rc = -99;
        *printed = capture_output([&] { rc = read_dm_header(0, header); });
        return rc;
    }
};

TEST_F(ReadDmHeader, CopiesTheHeaderOfThePresentOptionRom) {
    std::vector<std::uint8_t> flash = erased_flash();
    put_option_rom(&flash, 0x1A, 2, 5, 12);
    hw().flash = flash;
    bench.power_on();
    dm_header header = junk_header();
    captured_output printed;
    EXPECT_EQ(read(&header, &printed), 0);
    EXPECT_EQ(printed.out, "");
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(std::memcmp(&header, flash.data() + 0x1A, 16), 0);
    EXPECT_EQ(header.major, 2);
    EXPECT_EQ(header.minor, 5);
    EXPECT_EQ(std::uint16_t{header.third}, 12);
}

TEST_F(ReadDmHeader, HeaderBeyondTheFirst512BytesIsNotFoundSilently) {
    for (long offset : {512L, 497L}) {
        std::vector<std::uint8_t> flash = erased_flash();
        put_option_rom(&flash, offset);
        hw().flash = flash;
        bench.power_on();
        dm_header header = junk_header();
        captured_output printed;
        EXPECT_EQ(read(&header, &printed), -1) << offset;
        EXPECT_EQ(printed.out, "");
        EXPECT_EQ(printed.err, "");
        const dm_header zero{};
        EXPECT_EQ(std::memcmp(&header, &zero, sizeof zero), 0) << offset;
    }
}

TEST_F(ReadDmHeader, NoSignatureIsReported) {
    std::vector<std::uint8_t> reversed = erased_flash();
    put_option_rom(&reversed, 0x1A);
    reversed[0] = 0xAA;
    reversed[1] = 0x55;
    for (const auto& flash : {erased_flash(), reversed}) {
        hw().flash = flash;
        bench.power_on();
        dm_header header = junk_header();
        captured_output printed;
        EXPECT_EQ(read(&header, &printed), -1);
        EXPECT_EQ(printed.out, "");
        EXPECT_EQ(printed.err, "ERROR: Could not find valid Option ROM!\n");
        const dm_header zero{};
        EXPECT_EQ(std::memcmp(&header, &zero, sizeof zero), 0);
    }
}

TEST_F(ReadDmHeader, FailedReadIsReportedWithTheFlashCode) {
    std::vector<std::uint8_t> flash = erased_flash();
    put_option_rom(&flash, 0x1A);
    hw().flash = flash;
    hw().faults = "controller-stuck\n";
    bench.power_on();
    dm_header header = junk_header();
    captured_output printed;
    const int rc = read(&header, &printed);
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, -1);  // the flash layer's own code, not "not found"
    EXPECT_TRUE(printed.err.ends_with("\nERROR: Could not read data at start of Option ROM!\n")) << printed.err;
    const dm_header zero{};
    EXPECT_EQ(std::memcmp(&header, &zero, sizeof zero), 0);
}

TEST_F(ReadDmHeader, NoHeaderCopyGiven) {
    bench.power_on();
    captured_output printed;
    EXPECT_EQ(read(nullptr, &printed), -1);
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(bench.requests.size(), 0);
}

}  // namespace
