// The list command through the built binary, against emulated adapters: what
// an operator sees for healthy adapters and for every way an adapter's
// capability list, VPD or flash can let the inventory down.
#include "support/adapter_contents.h"
#include "support/emulator_sandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kNotFound = "ERROR: Capability 03 not found.\n";
const std::string kVpdStuck = "ERROR: VPD read did not complete.\n";

adapter_contents healthy_adapter(std::uint16_t vendor, std::uint16_t device) {
    adapter_contents a;
    a.set_capabilities_ending_in_vpd();
    a.set_vpd("Dual Port HBA", "0a1b2c3d4e5f", vendor, device);
    a.set_option_rom(0x1A, 2, 7, 15);
    a.set_settings(kValidMagic);
    return a;
}

TEST(ListCommand, NoAdapterPrintsNothing) {
    emulator_sandbox box;
    for (const char* word : {"--list", "-l"}) {
        const run_result r = box.run({word});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

TEST(ListCommand, MissingEmulatorRootIsNoAdapter) {
    const run_result r = run_program(HBABOOTCFG_PATH, {"--list"}, {{"HBAEMU_DIR", "/nonexistent/hbaemu-root"}});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
}

TEST(ListCommand, ThreeAdaptersPrintEmptyLinesThenPairsInIndexOrder) {
    emulator_sandbox box;
    healthy_adapter(0x1234, 0x5678).write_to(box, "a0");
    adapter_contents second = healthy_adapter(0x8086, 0x10fb);
    second.set_option_rom(0x100, 1, 0, 300);
    second.write_to(box, "a1");
    adapter_contents third = healthy_adapter(0xabcd, 0x0001);
    third.set_option_rom(0x1F0, 255, 254, 65535);  // the last place a header fits
    third.write_to(box, "a2");

    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out,
              "\n\n\n"
              "Device: 1234:5678\nVersion: 2.7.15\n"
              "Device: 8086:10fb\nVersion: 1.0.300\n"
              "Device: abcd:0001\nVersion: 255.254.65535\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(ListCommand, OptionRomWithoutDmHeaderOrWithoutSignaturePrintsVersionZero) {
    emulator_sandbox box;
    adapter_contents headerless = healthy_adapter(0x1111, 0x2222);
    headerless.flash.assign(headerless.flash.size(), 0xFF);
    headerless.set_option_rom(-1);
    headerless.write_to(box, "a0");
    adapter_contents erased = healthy_adapter(0x3333, 0x4444);
    erased.flash.assign(erased.flash.size(), 0xFF);
    erased.write_to(box, "a1");
    adapter_contents header_past_search = healthy_adapter(0x5555, 0x6666);
    header_past_search.set_option_rom(0x200, 3, 3, 3);  // $DM$ at 512: outside the searched bytes
    header_past_search.write_to(box, "a2");

    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out,
              "\n\n\n"
              "Device: 1111:2222\nVersion: 0.0.0\n"
              "Device: 3333:4444\nVersion: 0.0.0\n"
              "Device: 5555:6666\nVersion: 0.0.0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(ListCommand, AdaptersWithoutVpdCapabilityPrintZeroIds) {
    emulator_sandbox box;
    adapter_contents no_list = healthy_adapter(0x1234, 0x5678);
    no_list.config.assign(256, 0);
    no_list.write_to(box, "a0");
    adapter_contents list_without_vpd = healthy_adapter(0x1234, 0x5678);
    list_without_vpd.config.assign(256, 0);
    list_without_vpd.config[0x34] = 0x40;
    list_without_vpd.set_capability(0x40, 0x01, 0x50);
    list_without_vpd.set_capability(0x50, 0x05, 0x70);
    list_without_vpd.set_capability(0x70, 0x10, 0x00);
    list_without_vpd.write_to(box, "a1");
    healthy_adapter(0x1234, 0x5678).write_to(box, "a2");

    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out,
              "\n"
              "Device: 0000:0000\nVersion: 2.7.15\n"
              "Device: 0000:0000\nVersion: 2.7.15\n"
              "Device: 1234:5678\nVersion: 2.7.15\n");
    EXPECT_EQ(r.err, kNotFound + kNotFound);
    EXPECT_EQ(r.status, 0);
}

TEST(ListCommand, LoopingOrUnreadableCapabilityListEnds) {
    emulator_sandbox box;
    adapter_contents looping = healthy_adapter(0x1234, 0x5678);
    looping.config.assign(256, 0);
    looping.config[0x34] = 0x40;
    looping.set_capability(0x40, 0x01, 0x50);
    looping.set_capability(0x50, 0x05, 0x40);
    looping.write_to(box, "a0");
    adapter_contents self_loop = healthy_adapter(0x1234, 0x5678);
    self_loop.config.assign(256, 0);
    self_loop.config[0x34] = 0x60;
    self_loop.set_capability(0x60, 0x09, 0x60);
    self_loop.write_to(box, "a1");
    adapter_contents unreadable = healthy_adapter(0x1234, 0x5678);
    unreadable.config.assign(256, 0);
    unreadable.config[0x34] = 0x40;
    unreadable.set_capability(0x40, 0x01, 0xFE);  // beyond the readable space
    unreadable.write_to(box, "a2");

    const run_result r = box.run({"--list"}, true);
    EXPECT_EQ(r.out, std::string("Device: 0000:0000\nVersion: 2.7.15\n") + "Device: 0000:0000\nVersion: 2.7.15\n" +
                         "Device: 0000:0000\nVersion: 2.7.15\n");
    EXPECT_EQ(r.err, kNotFound + kNotFound + kNotFound);
    EXPECT_EQ(r.status, 0);
    // The pointer read and at most 48 entry reads per adapter.
    const std::string trace = box.read_text("trace.log");
    std::size_t a0_config_reads = 0;
    for (std::size_t at = trace.find("a0 cfgread"); at != std::string::npos; at = trace.find("a0 cfgread", at + 1)) {
        ++a0_config_reads;
    }
    EXPECT_EQ(a0_config_reads, 49u);
}

TEST(ListCommand, VpdThatNeverCompletesEndsWithItsMessage) {
    emulator_sandbox box;
    adapter_contents stuck = healthy_adapter(0x1234, 0x5678);
    stuck.faults = "vpd-stuck\n";
    stuck.write_to(box, "a0");
    adapter_contents busy = healthy_adapter(0x1234, 0x5678);
    busy.faults = "vpd-busy-reads 4000000000\n";
    busy.write_to(box, "a1");
    healthy_adapter(0x9abc, 0xdef0).write_to(box, "a2");

    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out,
              "\n\n\n"
              "Device: 0000:0000\nVersion: 2.7.15\n"
              "Device: 0000:0000\nVersion: 2.7.15\n"
              "Device: 9abc:def0\nVersion: 2.7.15\n");
    EXPECT_EQ(r.err, kVpdStuck + kVpdStuck);
    EXPECT_EQ(r.status, 0);
}

TEST(ListCommand, SlowVpdStillDeliversTheIds) {
    emulator_sandbox box;
    adapter_contents slow = healthy_adapter(0x1234, 0x5678);
    slow.faults = "vpd-busy-reads 5\n";
    slow.write_to(box, "a0");
    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out, "\nDevice: 1234:5678\nVersion: 2.7.15\n");
    EXPECT_EQ(r.err, "");
}

TEST(ListCommand, FailingDataRegisterCheckIsReportedAndTheListGoesOn) {
    // Configuration writes that all fail: the check reads back the data
    // register's old contents and no VPD read can be started.
    emulator_sandbox box;
    adapter_contents no_writes = healthy_adapter(0x1234, 0x5678);
    no_writes.faults = "config-write-error 31\n";
    no_writes.write_to(box, "a0");
    healthy_adapter(0x4321, 0x8765).write_to(box, "a1");
    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out, "\n\nDevice: 0000:0000\nVersion: 2.7.15\nDevice: 4321:8765\nVersion: 2.7.15\n");
    EXPECT_EQ(r.err, "ERROR: PCI configuration write/read check failed.\n" + kVpdStuck);
    EXPECT_EQ(r.status, 0);
}

TEST(ListCommand, AdapterThatStopsAnsweringMidwayStillEnds) {
    // After 200 requests every request fails: the VPD reads time out within
    // the image range, and every later request fails too.
    emulator_sandbox box;
    adapter_contents failing = healthy_adapter(0x1234, 0x5678);
    failing.faults = "fail-after 200\n";
    failing.write_to(box, "a0");
    healthy_adapter(0x4321, 0x8765).write_to(box, "a1");
    const run_result r = box.run({"--list"});
    EXPECT_EQ(r.out.substr(0, 10), "\n\nDevice: ");
    EXPECT_NE(r.out.find("Device: 4321:8765\nVersion: 2.7.15\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.substr(0, kVpdStuck.size()), kVpdStuck) << r.err;
    EXPECT_EQ(r.status, 0);
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
