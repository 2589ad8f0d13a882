// The walk over the PCI capability list of an emulated adapter, with the
// exact configuration reads it issues.
#include "pci/pci_capability.h"
#include "pci/vpd_access.h"
#include "support/adapter_bench.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct walk_case {
    const char* name;
    std::uint8_t pointer;                                 // at 0x34
    std::vector<std::vector<std::uint8_t>> capabilities;  // offset, ID, next
    std::set<std::uint32_t> failing_reads;
    std::uint8_t found;                  // 0: "ERROR: Capability 03 not found."
    std::size_t reads;                   // configuration reads in all
    std::vector<std::uint32_t> read_at;  // reads of this offset ...
    std::size_t reads_there = 0;         // ... this many times
};

// The first VPD capability in list order is found; a list that loops, or an
// entry that cannot be read (offsets above 252 are refused; a failed read
// leaves the previous entry's dword, whose next pointer names the failing
// entry again), ends at 48 entries. The pointer is used as read: low bits
// are not cleared, a pointer into the header is not refused.
using CapabilityWalk = adapter_bench_test;

TEST_F(CapabilityWalk, FindsVpdOrEndsAtItsBound) {
    const std::vector<walk_case> cases = {
        {"no list", 0, {}, {}, 0, 1, {}},
        {"pointer read fails", 0x40, {{0x40, 3, 0}}, {0x34}, 0, 1, {}},
        {"behind another", 0x40, {{0x40, 5, 0x48}, {0x48, 3, 0x50}, {0x50, 3, 0}}, {}, 0x48, 3, {}},
        {"pointer as read", 0x21, {{0x21, 3, 0}}, {}, 0x21, 2, {}},
        {"list without VPD", 0x40, {{0x40, 1, 0x50}, {0x50, 5, 0}}, {}, 0, 3, {}},
        {"loop", 0x40, {{0x40, 1, 0x50}, {0x50, 5, 0x40}}, {}, 0, 49, {0x40, 0x50}, 24},
        {"entry read keeps failing", 0x40, {{0x40, 1, 0x60}, {0x60, 3, 0}}, {0x60}, 0, 49, {0x60}, 47},
        {"entry beyond the space", 0x40, {{0x40, 9, 0xFE}}, {}, 0, 49, {0xFE}, 47},
    };
    for (const walk_case& c : cases) {
        SCOPED_TRACE(c.name);
        hw() = bench_setup{};
        hw().config[0x34] = c.pointer;
        for (const std::vector<std::uint8_t>& entry : c.capabilities) {
            hw().set_capability(entry[0], entry[1], entry[2]);
        }
        hw().failing_config_reads = c.failing_reads;
        ASSERT_EQ(bench.power_on(), 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(find_pci_capability(0, kPciCapabilityVpd), c.found);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.found == 0 ? "ERROR: Capability 03 not found.\n" : "");
        EXPECT_EQ(bench.count(recorded_kind::config_read), c.reads);
        for (const std::uint32_t offset : c.read_at) {
            std::size_t n = 0;
            for (const recorded_request& r : bench.requests) {
                n += r.kind == recorded_kind::config_read && r.offset == offset ? 1 : 0;
            }
            EXPECT_EQ(n, c.reads_there) << offset;
        }
    }
    // The reads of a walk to a VPD behind another capability, exactly.
    hw() = bench_setup{};
    hw().config[0x34] = 0x40;
    hw().set_capability(0x40, 5, 0x48);
    hw().set_capability(0x48, 3, 0);
    ASSERT_EQ(bench.power_on(), 1);
    EXPECT_EQ(find_pci_capability(0, kPciCapabilityVpd), 0x48);
    EXPECT_EQ(bench.requests, (std::vector<recorded_request>{config_read_of(0x34, 0x40), config_read_of(0x40, 0x4805),
                                                             config_read_of(0x48, 0x0003)}));
}

}  // namespace
