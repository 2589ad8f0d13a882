// The list command through the built binary, against emulated adapters: what
// an operator sees for healthy adapters and for every way an adapter's
// capability list, VPD or flash can let the inventory down.
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

adapter_contents with_config(adapter_contents a, std::uint8_t pointer,
                             const std::vector<std::vector<std::uint8_t>>& capabilities) {
    a.config.assign(256, 0);
    a.config[0x34] = pointer;
    for (const std::vector<std::uint8_t>& entry : capabilities) {
        a.set_capability(entry[0], entry[1], entry[2]);
    }
    return a;
}

adapter_contents with_faults(adapter_contents a, const char* faults) {
    a.faults = faults;
    return a;
}

adapter_contents with_rom(adapter_contents a, long dm_offset, std::uint8_t major = 0, std::uint8_t minor = 0,
                          std::uint16_t third = 0) {
    a.flash = erased_flash();
    if (dm_offset != -2) {
        a.set_option_rom(dm_offset, major, minor, third);
    }
    return a;
}

// Adapters a0, a1, ... listed in one run: the output (an empty line per
// adapter whose VPD was read, then a device and version pair each, in index
// order) and standard error, exactly (or, after '~', a part of it). An
// adapter the inventory cannot read is listed with zero IDs or version; the
// list goes on.
TEST(ListCommand, EveryAdapterIsListedWhateverItsInventoryGives) {
    struct list_case {
        const char* name;
        std::vector<adapter_contents> adapters;
        std::string out;
        std::string err;
    };
    const std::string zero = "Device: 0000:0000\nVersion: 2.7.15\n";
    const std::vector<list_case> cases = {
        {"three healthy",
         {healthy_adapter(0x1234, 0x5678), with_rom(healthy_adapter(0x8086, 0x10fb), 0x100, 1, 0, 300),
          with_rom(healthy_adapter(0xabcd, 0x0001), 0x1F0, 255, 254, 65535)},
         "\n\n\nDevice: 1234:5678\nVersion: 2.7.15\nDevice: 8086:10fb\nVersion: 1.0.300\n"
         "Device: abcd:0001\nVersion: 255.254.65535\n",
         ""},
        {"no $DM$ header, no signature, header past the searched bytes",
         {with_rom(healthy_adapter(0x1111, 0x2222), -1), with_rom(healthy_adapter(0x3333, 0x4444), -2),
          with_rom(healthy_adapter(0x5555, 0x6666), 0x200, 3, 3, 3)},
         "\n\n\nDevice: 1111:2222\nVersion: 0.0.0\nDevice: 3333:4444\nVersion: 0.0.0\nDevice: 5555:6666\nVersion: "
         "0.0.0\n",
         ""},
        {"no VPD capability",
         {with_config(healthy_adapter(0x1234, 0x5678), 0, {}),
          with_config(healthy_adapter(0x1234, 0x5678), 0x40, {{0x40, 1, 0x50}, {0x50, 5, 0x70}, {0x70, 0x10, 0}}),
          healthy_adapter(0x1234, 0x5678)},
         "\n" + zero + zero + "Device: 1234:5678\nVersion: 2.7.15\n",
         "ERROR: Capability 03 not found.\nERROR: Capability 03 not found.\n"},
        {"looping or unreadable capability list",
         {with_config(healthy_adapter(0x1234, 0x5678), 0x40, {{0x40, 1, 0x50}, {0x50, 5, 0x40}}),
          with_config(healthy_adapter(0x1234, 0x5678), 0x60, {{0x60, 9, 0x60}}),
          with_config(healthy_adapter(0x1234, 0x5678), 0x40, {{0x40, 1, 0xFE}})},
         zero + zero + zero,
         "ERROR: Capability 03 not found.\nERROR: Capability 03 not found.\nERROR: Capability 03 not found.\n"},
        {"VPD that never completes",
         {with_faults(healthy_adapter(0x1234, 0x5678), "vpd-stuck\n"),
          with_faults(healthy_adapter(0x1234, 0x5678), "vpd-busy-reads 4000000000\n"), healthy_adapter(0x9abc, 0xdef0)},
         "\n\n\n" + zero + zero + "Device: 9abc:def0\nVersion: 2.7.15\n",
         "ERROR: VPD read did not complete.\nERROR: VPD read did not complete.\n"},
        {"slow VPD",
         {with_faults(healthy_adapter(0x1234, 0x5678), "vpd-busy-reads 5\n")},
         "\nDevice: 1234:5678\nVersion: 2.7.15\n",
         ""},
        // Configuration writes that all fail: the check reads back the data
        // register's old contents and no VPD read can be started.
        {"failing data register check",
         {with_faults(healthy_adapter(0x1234, 0x5678), "config-write-error 31\n"), healthy_adapter(0x4321, 0x8765)},
         "\n\n" + zero + "Device: 4321:8765\nVersion: 2.7.15\n",
         "ERROR: PCI configuration write/read check failed.\nERROR: VPD read did not complete.\n"},
        // After 200 requests every request fails: the VPD reads time out
        // within the image range, and every later request fails too.
        {"adapter that stops answering",
         {with_faults(healthy_adapter(0x1234, 0x5678), "fail-after 200\n"), healthy_adapter(0x4321, 0x8765)},
         "~Device: 4321:8765\nVersion: 2.7.15\n",
         "~ERROR: VPD read did not complete.\n"},
    };
    const auto expect_text = [](const std::string& actual, const std::string& expected) {
        if (expected.starts_with("~")) {
            EXPECT_NE(actual.find(expected.substr(1)), std::string::npos) << actual;
        } else {
            EXPECT_EQ(actual, expected);
        }
    };
    for (const list_case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator_sandbox box;
        for (std::size_t i = 0; i < c.adapters.size(); ++i) {
            // Appended rather than "a" + ...: GCC 12 at -O3 warns falsely of an
            // overlapping copy in that operator.
            std::string folder = "a";
            folder += std::to_string(i);
            c.adapters[i].write_to(box, folder);
        }
        const run_result r = box.run({"--list"});
        expect_text(r.out, c.out);
        expect_text(r.err, c.err);
        EXPECT_EQ(r.status, 0);
    }
}

TEST(ListCommand, ListNeverWritesTheVpd) {
    emulator_sandbox box;
    const adapter_contents a = healthy_adapter(0x1234, 0x5678);
    a.write_to(box, "a0");
    const run_result r = box.run({"--list"}, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(box.read_file("a0/vpd.bin"), a.vpd);
    EXPECT_EQ(box.read_file("a0/flash.bin"), a.flash);
    // Every write to the capability's address register starts a read (bit 31 clear).
    const std::string trace = box.read_text("trace.log");
    EXPECT_EQ(trace.find("cfgwrite 0x00000048 0x8"), std::string::npos);
    EXPECT_NE(trace.find("a0 cfgwrite 0x0000004c 0x00800000\n"), std::string::npos);
    EXPECT_NE(trace.find("a0 cfgwrite 0x00000048 0x1ffc0000\n"), std::string::npos);
}

}  // namespace
