// The walk over the PCI capability list, with the exact configuration reads
// it issues.
#include "fake_pci_device.h"
#include "inventory/vpd_access.h"

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

std::size_t reads_at(const fake_pci_device& device, std::uint32_t offset) {
    std::size_t n = 0;
    for (const config_request& r : device.log) {
        n += (!r.write && r.offset == offset) ? 1 : 0;
    }
    return n;
}

TEST(CapabilityWalk, NoCapabilityListReportsNotFoundAfterOneRead) {
    fake_pci_device device;
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(device.log, std::vector<config_request>{config_read_of(0x34, 0)});
}

TEST(CapabilityWalk, FailedPointerReadCountsAsNoList) {
    fake_pci_device device;
    device.config[0x34] = 0x40;
    device.add_capability(0x40, 3, 0);
    device.failing_reads.insert(0x34);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(device.log.size(), 1u);
}

TEST(CapabilityWalk, FindsVpdBehindAnotherCapability) {
    fake_pci_device device;
    device.config[0x34] = 0x40;
    device.add_capability(0x40, 5, 0x48);
    device.add_capability(0x48, 3, 0x50);
    device.add_capability(0x50, 3, 0);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0x48);  // the first match wins
    EXPECT_EQ(err, "");
    const std::vector<config_request> expected = {
        config_read_of(0x34, 0x40), config_read_of(0x40, 0x4805), config_read_of(0x48, 0x5003)};
    EXPECT_EQ(device.log, expected);
}

TEST(CapabilityWalk, PointerIsUsedAsRead) {
    // Low bits are not cleared and a pointer into the header is not refused.
    fake_pci_device device;
    device.config[0x34] = 0x21;
    device.add_capability(0x21, 3, 0);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0x21);
    EXPECT_EQ(err, "");
}

TEST(CapabilityWalk, ListWithoutVpdEndsAtNullPointer) {
    fake_pci_device device;
    device.config[0x34] = 0x40;
    device.add_capability(0x40, 1, 0x50);
    device.add_capability(0x50, 5, 0x00);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(device.log.size(), 3u);
}

TEST(CapabilityWalk, LoopingListEndsAfter48Entries) {
    fake_pci_device device;
    device.config[0x34] = 0x40;
    device.add_capability(0x40, 1, 0x50);
    device.add_capability(0x50, 5, 0x40);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(device.log.size(), 1u + 48u);
    EXPECT_EQ(reads_at(device, 0x40), 24u);
    EXPECT_EQ(reads_at(device, 0x50), 24u);
}

TEST(CapabilityWalk, EntryWhoseReadKeepsFailingEndsAtTheBound) {
    // The failed read leaves the previous entry's dword in force, whose next
    // pointer names the failing entry again.
    fake_pci_device device;
    device.config[0x34] = 0x40;
    device.add_capability(0x40, 1, 0x60);
    device.add_capability(0x60, 3, 0);
    device.failing_reads.insert(0x60);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(reads_at(device, 0x60), 47u);
    EXPECT_EQ(device.log.size(), 1u + 48u);
}

TEST(CapabilityWalk, EntryBeyondConfigurationSpaceEndsAtTheBound) {
    // A pointer of 0xFE cannot be read (offsets above 252 are refused).
    fake_pci_device device;
    device.config[0x34] = 0x40;
    device.add_capability(0x40, 9, 0xFE);
    std::string err;
    EXPECT_EQ(find_vpd(&err), 0);
    EXPECT_EQ(err, kNotFound);
    EXPECT_EQ(reads_at(device, 0xFE), 47u);
}

}  // namespace
