// The VPD capability's registers over the emulator's model: the data
// register check and single VPD word reads, with the exact configuration
// traffic of each request shape.
#include "pci/vpd_access.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kCap = 0x40;
const std::string kCheckFailed = "ERROR: PCI configuration write/read check failed.\n";

std::uint32_t vpd_dword(const adapter_contents& device, std::uint32_t address) {
    return static_cast<std::uint32_t>(device.vpd[address] | (device.vpd[address + 1] << 8) |
                                      (device.vpd[address + 2] << 16)) |
           (static_cast<std::uint32_t>(device.vpd[address + 3]) << 24);
}

// One emulated adapter whose only capability is the VPD at kCap; a test
// sets its VPD and script, then opens it.
class VpdRegisters : public adapter_bench_test {
protected:
    void SetUp() override {
        hw().set_only_vpd_capability(kCap);
        hw().vpd_at = kCap;
    }
    void open() { ASSERT_EQ(bench.power_on(), 1); }

    adapter_contents& device = bench.setup();
};
using VpdDataRegisterCheck = VpdRegisters;
using VpdWordRead = VpdRegisters;

int check(std::string* err) {
    ::testing::internal::CaptureStderr();
    const int result = vpd_write_read_check(0, kCap);
    *err = ::testing::internal::GetCapturedStderr();
    return result;
}

TEST_F(VpdDataRegisterCheck, PatternReadsBackWithoutTouchingTheAddressRegister) {
    open();
    std::string err;
    EXPECT_EQ(check(&err), 0);
    EXPECT_EQ(err, "");
    const std::vector<recorded_request> expected = {config_write_of(0x44, 0x00800000),
                                                    config_read_of(0x44, 0x00800000)};
    EXPECT_EQ(bench.requests, expected);
    EXPECT_EQ(bench.vpd_reads_started, 0u);
}

// A data register that does not keep what was written, or whose read-back
// fails, is reported.
TEST_F(VpdDataRegisterCheck, ReportsRegisterThatReadsBackZeroOrFails) {
    for (const bool drops_writes : {true, false}) {
        hw().vpd_data_drops_writes = drops_writes;
        hw().failing_config_reads = drops_writes ? std::set<std::uint32_t>{} : std::set<std::uint32_t>{0x44};
        open();
        std::string err;
        EXPECT_EQ(check(&err), 1);
        EXPECT_EQ(err, kCheckFailed);
    }
}

TEST_F(VpdWordRead, StartsPollsAndFetchesTheDword) {
    device.vpd = pattern(device.vpd.size());
    device.faults = "vpd-busy-reads 2\n";
    open();
    std::uint32_t word = 0;
    EXPECT_EQ(vpd_read_word(0, kCap, 0x0C00, &word), kVpdWordRead);
    EXPECT_EQ(word, vpd_dword(device, 0x0C00));
    // The address write keeps the ID and next pointer bytes 0; two reads
    // show the flag clear, the third set; then the data register.
    const std::vector<recorded_request> expected = {config_write_of(kCap, 0x0C000000), config_read_of(kCap, 0x0C000003),
                                                    config_read_of(kCap, 0x0C000003), config_read_of(kCap, 0x8C000003),
                                                    config_read_of(kCap + 4u, vpd_dword(device, 0x0C00))};
    EXPECT_EQ(bench.requests, expected);
}

// Bit 13 and the low two bits are dropped.
TEST_F(VpdWordRead, AddressIsMaskedToDwordsOfThe8KSpace) {
    device.vpd = pattern(device.vpd.size());
    open();
    for (const auto& [address, masked] : {std::pair{0x0C03u, 0x0C00u}, {0x2000u, 0u}, {0xFFFFFFFFu, 0x1FFCu}}) {
        bench.clear_log();
        std::uint32_t word = 0;
        vpd_read_word(0, kCap, address, &word);
        EXPECT_EQ(bench.requests.front(), config_write_of(kCap, masked << 16)) << address;
        EXPECT_EQ(word, vpd_dword(device, masked)) << address;
    }
}

TEST_F(VpdWordRead, FlagThatNeverComesEndsWithinTheBound) {
    device.vpd = pattern(device.vpd.size());
    device.faults = "vpd-stuck\n";
    open();
    std::uint32_t word = 0xCAFEF00D;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(vpd_read_word(0, kCap, 0x0C00, &word), kVpdTimedOut);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(word, 0xCAFEF00Du);
    EXPECT_GE(elapsed, std::chrono::milliseconds(kVpdReadTimeoutMs));
    EXPECT_LT(elapsed, std::chrono::milliseconds(kVpdReadTimeoutMs) + std::chrono::seconds(2));
    // Never the data register: the word is not there.
    for (const recorded_request& r : bench.requests) {
        EXPECT_NE(r.offset, kCap + 4u);
    }
}

// A data register read that fails, or poll reads that keep failing, leave
// the word as it was.
TEST_F(VpdWordRead, FailedReadsLeaveTheWord) {
    for (const bool poll_reads_fail : {false, true}) {
        hw().failing_vpd_data_reads = {1};
        hw().failing_config_reads = poll_reads_fail ? std::set<std::uint32_t>{kCap} : std::set<std::uint32_t>{};
        open();
        std::uint32_t word = 7;
        EXPECT_EQ(vpd_read_word(0, kCap, 0x0C00, &word), poll_reads_fail ? kVpdTimedOut : kVpdDataFailed);
        EXPECT_EQ(word, 7u);
    }
}

TEST_F(VpdWordRead, SlowDeviceStillDelivers) {
    device.vpd = pattern(device.vpd.size());
    // Just under the 1,000 polls every read is granted whatever the clock
    // says: a loaded machine (or a sanitizer build) cannot fail this one.
    device.faults = "vpd-busy-reads 999\n";
    open();
    std::uint32_t word = 0;
    EXPECT_EQ(vpd_read_word(0, kCap, 0x1950, &word), kVpdWordRead);
    EXPECT_EQ(word, vpd_dword(device, 0x1950));
}

}  // namespace
