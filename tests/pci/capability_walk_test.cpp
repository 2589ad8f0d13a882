// The walk over the PCI capability list of an emulated adapter, with the
// exact configuration reads it issues.
#include "pci/pci_capability.h"
#include "pci/vpd_access.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kNotFound = "ERROR: Capability 03 not found.\n";

std::uint8_t find_vpd(std::string* err) {
    ::testing::internal::CaptureStderr();
    const std::uint8_t found = find_pci_capability(0, kPciCapabilityVpd);
    *err = ::testing::internal::GetCapturedStderr();
    return found;
}

// One emulated adapter; a test lays out its capability list, then opens it.
class CapabilityWalk : public adapter_bench_test {
protected:
    void open() { ASSERT_EQ(bench.power_on(), 1); }

    std::size_t reads_at(std::uint32_t offset) const {
        std::size_t n = 0;
        for (const recorded_request& r : bench.requests) {
            n += (r.kind == recorded_kind::config_read && r.offset == offset) ? 1 : 0;
        }
        return n;
    }

    adapter_contents& device = bench.setup();
};

TEST_F(CapabilityWalk, NoCapabilityListReportsNotFoundAfterOneRead) {
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(bench.requests, std::vector<recorded_request>{config_read_of(0x34, 0)});
}

TEST_F(CapabilityWalk, FailedPointerReadCountsAsNoList) {
    device.config[0x34] = 0x40;
    device.set_capability(0x40, 3, 0);
    hw().failing_config_reads.insert(0x34);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(bench.requests.size(), 1u);
}

TEST_F(CapabilityWalk, FindsVpdBehindAnotherCapability) {
    device.config[0x34] = 0x40;
    device.set_capability(0x40, 5, 0x48);
    device.set_capability(0x48, 3, 0x50);
    device.set_capability(0x50, 3, 0);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0x48);  // the first match wins
    EXPECT_EQ(err, "");
    const std::vector<recorded_request> expected = {config_read_of(0x34, 0x40), config_read_of(0x40, 0x4805),
                                                    config_read_of(0x48, 0x5003)};
    EXPECT_EQ(bench.requests, expected);
}

TEST_F(CapabilityWalk, PointerIsUsedAsRead) {
    // Low bits are not cleared and a pointer into the header is not refused.
    device.config[0x34] = 0x21;
    device.set_capability(0x21, 3, 0);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0x21);
    EXPECT_EQ(err, "");
}

TEST_F(CapabilityWalk, ListWithoutVpdEndsAtNullPointer) {
    device.config[0x34] = 0x40;
    device.set_capability(0x40, 1, 0x50);
    device.set_capability(0x50, 5, 0x00);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(bench.requests.size(), 3u);
}

TEST_F(CapabilityWalk, LoopingListEndsAfter48Entries) {
    device.config[0x34] = 0x40;
    device.set_capability(0x40, 1, 0x50);
    device.set_capability(0x50, 5, 0x40);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(bench.requests.size(), 1u + 48u);
    EXPECT_EQ(reads_at(0x40), 24u);
    EXPECT_EQ(reads_at(0x50), 24u);
}

TEST_F(CapabilityWalk, EntryWhoseReadKeepsFailingEndsAtTheBound) {
    // The failed read leaves the previous entry's dword in force, whose next
    // pointer names the failing entry again.
    device.config[0x34] = 0x40;
    device.set_capability(0x40, 1, 0x60);
    device.set_capability(0x60, 3, 0);
    hw().failing_config_reads.insert(0x60);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(reads_at(0x60), 47u);
    EXPECT_EQ(bench.requests.size(), 1u + 48u);
}

TEST_F(CapabilityWalk, EntryBeyondConfigurationSpaceEndsAtTheBound) {
    // A pointer of 0xFE cannot be read (offsets above 252 are refused).
    device.config[0x34] = 0x40;
    device.set_capability(0x40, 9, 0xFE);
    open();
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(reads_at(0xFE), 47u);
}

}  // namespace
