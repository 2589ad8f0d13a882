// The PCI configuration space and the VPD capability, driven by
// configuration reads and writes as a driver issues them.
#include "model_bench.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kVpd = 0x50;  // where the test configuration puts the capability

// A configuration space with power management at 0x40 and VPD at 0x50.
std::vector<std::uint8_t> config_with_vpd() {
    std::vector<std::uint8_t> config(256, 0);
    for (std::size_t i = 0; i < config.size(); ++i) {
        config[i] = static_cast<std::uint8_t>(i);  // recognisable bytes
    }
    config[0x34] = 0x40;
    config[0x40] = 0x01;
    config[0x41] = kVpd;
    for (std::uint32_t i = 0; i < 8; ++i) {
        config[kVpd + i] = 0;
    }
    config[kVpd] = 0x03;
    return config;
}

std::vector<std::uint8_t> counting_vpd() {
    std::vector<std::uint8_t> vpd(8192);
    for (std::size_t i = 0; i < vpd.size(); ++i) {
        vpd[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    }
    return vpd;
}

struct vpd_bench : model_bench {
    explicit vpd_bench(const emulator_faults& faults = {}) {
        sandbox.write_file("adapter00/config.bin", config_with_vpd());
        sandbox.write_file("adapter00/vpd.bin", counting_vpd());
        EXPECT_TRUE(open(faults));
    }

    std::uint32_t read(std::uint32_t offset) {
        std::uint32_t value = 0;
        std::uint32_t error = 0;
        EXPECT_TRUE(adapter_model_config_read(model, offset, &value, &error)) << offset;
        return value;
    }
    void write(std::uint32_t offset, std::uint32_t value) {
        std::uint32_t error = 0;
        EXPECT_TRUE(adapter_model_config_write(model, offset, value, &error)) << offset;
    }
    void start_vpd_read(std::uint32_t address) { write(kVpd, address << 16); }
};

std::uint32_t vpd_dword(const std::vector<std::uint8_t>& vpd, std::uint32_t address) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(vpd[(address + i) % 8192]) << (8 * i);
    }
    return v;
}

TEST(PciConfigSpace, ReadsFourLiveBytesAtOffsetsUpTo252LittleEndian) {
    vpd_bench bench;
    EXPECT_EQ(bench.read(0x00), 0x03020100u);
    EXPECT_EQ(bench.read(0x0D), 0x100F0E0Du);
    EXPECT_EQ(bench.read(0x34), 0x37363540u);
    EXPECT_EQ(bench.read(252), 0xFFFEFDFCu);
    // Offsets beyond 252 fail with invalid parameter.
    for (std::uint32_t offset : {253u, 256u, 0xFFFFFFFFu}) {
        std::uint32_t value = 0x1234;
        std::uint32_t error = 0;
        EXPECT_FALSE(adapter_model_config_read(bench.model, offset, &value, &error));
        EXPECT_EQ(error, 87u);
        error = 0;
        EXPECT_FALSE(adapter_model_config_write(bench.model, offset, 0, &error));
        EXPECT_EQ(error, 87u);
    }
}

TEST(PciConfigSpace, WritesChangeTheLiveSpaceButNeverConfigBin) {
    vpd_bench bench;
    bench.write(0x10, 0xFEBC0000u);
    bench.write(0x81, 0xAABBCCDDu);  // unaligned is fine too
    EXPECT_EQ(bench.read(0x10), 0xFEBC0000u);
    EXPECT_EQ(bench.read(0x80), 0xBBCCDD80u);
    EXPECT_EQ(bench.sandbox.read_file("adapter00/config.bin"), config_with_vpd());
    ASSERT_TRUE(bench.open());  // power cycle: config.bin again
    EXPECT_EQ(bench.read(0x10), 0x13121110u);
}

// A read completes by the next read with the flag set; the data register
// can be written and read back without starting an access; the capability
// header is read-only.
TEST(VpdCapability, ReadCompletesByTheNextReadAndTheHeaderIsReadOnly) {
    vpd_bench bench;
    bench.write(kVpd + 4, 0x00800000u);
    EXPECT_EQ(bench.read(kVpd + 4), 0x00800000u);
    EXPECT_EQ(bench.read(kVpd), 0x00000003u);  // no access was started
    EXPECT_EQ(bench.vpd_file(), counting_vpd());
    bench.start_vpd_read(0x0C00);
    EXPECT_EQ(bench.read(kVpd), 0x8C000003u);  // flag, address, ID 3, next 0
    EXPECT_EQ(bench.read(kVpd + 4), vpd_dword(counting_vpd(), 0x0C00));
    bench.write(kVpd, 0x0000FFFFu);
    EXPECT_EQ(bench.read(kVpd) & 0xFFFFu, 0x0003u);
    bench.write(kVpd - 2, 0xFFFFFFFFu);  // overlaps ID and next pointer
    EXPECT_EQ(bench.read(kVpd) & 0xFFFFu, 0x0003u);
}

TEST(VpdCapability, ReadsAtAnyAddressTakeItModulo8192) {
    vpd_bench bench;
    const std::vector<std::uint8_t> vpd = counting_vpd();
    for (std::uint32_t address : {0x0000u, 0x0C03u, 0x194Eu, 0x1FFEu, 0x2000u, 0x2C01u, 0x7FFFu}) {
        bench.start_vpd_read(address);
        EXPECT_EQ(bench.read(kVpd) >> 16, 0x8000u | address) << address;  // the register keeps all 15 bits
        EXPECT_EQ(bench.read(kVpd + 4), vpd_dword(vpd, address % 8192)) << address;
    }
}

TEST(VpdCapability, WriteStoresTheDataRegisterIntoVpdBin) {
    vpd_bench bench;
    bench.write(kVpd + 4, 0x44332211u);
    bench.write(kVpd, 0x80000000u | (0x1FFEu << 16));
    EXPECT_EQ(bench.read(kVpd) & 0x80000000u, 0u);  // done: flag back to 0
    const std::vector<std::uint8_t> vpd = bench.vpd_file();
    EXPECT_EQ(vpd[0x1FFE], 0x11);
    EXPECT_EQ(vpd[0x1FFF], 0x22);
    EXPECT_EQ(vpd[0x0000], 0x33);  // the bytes wrap within the 8 KiB
    EXPECT_EQ(vpd[0x0001], 0x44);
    bench.start_vpd_read(0x1FFE);
    EXPECT_EQ(bench.read(kVpd + 4), 0x44332211u);
}

// Busy reads keep a read's flag clear, and a write's set until it is stored.
TEST(VpdCapabilityFaults, BusyReadsDelayTheFlagOfAReadAndOfAWrite) {
    vpd_bench bench({.vpd_busy_reads = 2});
    const std::vector<std::uint8_t> vpd = counting_vpd();
    bench.write(kVpd + 4, 0xCAFEF00Du);
    bench.start_vpd_read(0x1000);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(bench.read(kVpd), 0x10000003u) << i;
    }
    EXPECT_EQ(bench.read(kVpd), 0x90000003u);
    EXPECT_EQ(bench.read(kVpd + 4), vpd_dword(vpd, 0x1000));
    bench.write(kVpd + 4, 0x0A0B0C0Du);
    bench.write(kVpd, 0x80000000u | (0x0100u << 16));
    EXPECT_EQ(bench.read(kVpd) >> 31, 1u);
    EXPECT_EQ(bench.vpd_file()[0x100], vpd[0x100]);
    EXPECT_EQ(bench.read(kVpd) >> 31, 1u);
    EXPECT_EQ(bench.read(kVpd) >> 31, 0u);
    EXPECT_EQ(bench.vpd_file()[0x100], 0x0D);
}

TEST(VpdCapabilityFaults, StuckReadNeverCompletes) {
    vpd_bench bench({.vpd_stuck = true});
    bench.write(kVpd + 4, 0x00800000u);
    bench.start_vpd_read(0x0C00);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(bench.read(kVpd) >> 31, 0u);
    }
    EXPECT_EQ(bench.read(kVpd + 4), 0x00800000u);
}

// Without a VPD capability the bytes at 0x50 are plain bytes; a capability
// list that loops does not hang the power-on.
TEST(VpdCapability, ConfigurationWithoutOrWithALoopingListIsPlainBytes) {
    model_bench bench;  // blank adapter: all-zero configuration space
    std::uint32_t value = 1;
    std::uint32_t error = 0;
    ASSERT_TRUE(adapter_model_config_write(bench.model, 0x50, 0x0C000000u, &error));
    ASSERT_TRUE(adapter_model_config_read(bench.model, 0x50, &value, &error));
    EXPECT_EQ(value, 0x0C000000u);  // stored as written; no VPD access behind it
    std::vector<std::uint8_t> config(256, 0);
    config[0x34] = 0x40;
    config[0x40] = 0x01;
    config[0x41] = 0x48;
    config[0x48] = 0x05;
    config[0x49] = 0x40;  // back to the first entry
    bench.sandbox.write_file("adapter00/config.bin", config);
    ASSERT_TRUE(bench.open());
    ASSERT_TRUE(adapter_model_config_read(bench.model, 0x48, &value, &error));
    EXPECT_EQ(value, 0x00004005u);
}

}  // namespace
