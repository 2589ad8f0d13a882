// The vendor and device IDs a backup records and a restore compares, read in
// this process against emulated adapters: the same words the list shows, and
// no word at all (nor a line) when the VPD cannot give them.
#include "pci/adapter_ids.h"
#include "device/adapter_table.h"
#include "inventory/adapter_list.h"
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct ids_case {
    const char* name;
    std::uint8_t vpd_offset;  // 0: no capability list at all
    const char* faults;
    int result;
    std::uint16_t vendor;
    std::uint16_t device;
};

// gtest names a failing case with this rather than a dump of its bytes.
void PrintTo(const ids_case& c, std::ostream* os) {
    *os << c.name;
}

class AdapterIds : public ::testing::TestWithParam<ids_case> {
protected:
    void SetUp() override { box.use_in_this_process(); }
    void TearDown() override { release_adapter_list(); }
    emulator_sandbox box;
};

TEST_P(AdapterIds, AreTheListsWordsOrNothing) {
    const ids_case& c = GetParam();
    adapter_contents adapter;
    if (c.vpd_offset != 0) {
        adapter.set_capabilities_ending_in_vpd(c.vpd_offset);
    }
    adapter.set_vpd("", "000000000000", 0x1AB4, 0x0B42);
    adapter.faults = c.faults;
    adapter.write_to(box, "a0");
    ASSERT_EQ(enumerate_adapters(), 1);

    std::uint16_t vendor = 0xEEEE;
    std::uint16_t device = 0xEEEE;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    pci_ids ids{0xEEEE, 0xEEEE};
    EXPECT_EQ(read_vpd_ids(0, &ids), c.result);
    vendor = ids.vendor_id;
    device = ids.device_id;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(vendor, c.vendor);
    EXPECT_EQ(device, c.device);
    // Only a refused request speaks, with its own line; a missing capability
    // is no error here.
    if (c.vpd_offset == 0 || std::string(c.faults).find("error") == std::string::npos) {
        EXPECT_EQ(err, "");
    }
    close_adapter_handles();

    if (c.result == 0) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(build_adapter_list(), 0);
        ::testing::internal::GetCapturedStdout();
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(adapter_list_head()->vendor_id, vendor);
        EXPECT_EQ(adapter_list_head()->device_id, device);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Vpd, AdapterIds,
    ::testing::Values(ids_case{"readable", 0x48, "", 0, 0x1AB4, 0x0B42},
                      ids_case{"capability_further_on", 0x80, "", 0, 0x1AB4, 0x0B42},
                      ids_case{"slow_vpd", 0x48, "vpd-busy-reads 50\n", 0, 0x1AB4, 0x0B42},
                      ids_case{"no_capability", 0, "", -1, 0, 0}, ids_case{"vpd_stuck", 0x48, "vpd-stuck\n", -1, 0, 0},
                      ids_case{"config_reads_refused", 0x48, "config-read-error 31\n", -1, 0, 0},
                      ids_case{"config_writes_refused", 0x48, "config-write-error 31\n", -1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
