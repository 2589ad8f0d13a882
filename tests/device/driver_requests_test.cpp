// The four driver requests: what an empty or failed slot says, what the
// emulator's request faults turn into, and the trace each request leaves.
#include "device_test_support.h"
#include "support/flash_wire.h"

#include "device/driver_requests.h"

namespace {

using DriverRequests = emulated_adapters_test;

std::string captured_register_read(std::uint8_t adapter, std::uint32_t offset, std::uint32_t* value) {
    ::testing::internal::CaptureStderr();
    *value = reg_read(adapter, offset);
    return ::testing::internal::GetCapturedStderr();
}

std::string captured_register_write(std::uint8_t adapter, std::uint32_t offset, std::uint32_t value) {
    ::testing::internal::CaptureStderr();
    reg_write(adapter, offset, value);
    return ::testing::internal::GetCapturedStderr();
}

TEST_F(DriverRequests, EmptyAndFailedSlotsAnswerInvalidHandle) {
    box.add_blank_adapters(2);
    box.write_text("adapter01/faults", "open-error 5\n");
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 2);
    std::uint32_t value = 0xDEAD;
    // Slot 1 failed, slot 2 is empty, 25 is beyond the table.
    for (std::uint8_t adapter : {1, 2, 25}) {
        EXPECT_EQ(captured_register_read(adapter, flash_wire::kControlRegister, &value),
                  "ERROR: register read failed with error code: 6!\n");
        EXPECT_EQ(value, 0u);
        EXPECT_EQ(captured_register_write(adapter, flash_wire::kDataRegister, 5),
                  "ERROR: register write failed with error code: 6!\n");
        std::uint32_t dword = 0x1234;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(pci_config_read(adapter, 0x34, &dword));
        pci_config_write(adapter, 0x34, 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(dword, 0x1234u);
    }
}

TEST_F(DriverRequests, ConfigurationSpaceReadsAreLittleEndianDwords) {
    box.add_blank_adapters(1);
    std::vector<std::uint8_t> config(256, 0);
    config[0x34] = 0x40;
    config[0x40] = 0x03;
    config[0x41] = 0x00;
    config[0x42] = 0x12;
    config[0x43] = 0x80;
    box.write_file("adapter00/config.bin", config);
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 1);
    std::uint32_t dword = 0;
    ASSERT_TRUE(pci_config_read(0, 0x34, &dword));
    EXPECT_EQ(dword, 0x40u);
    ASSERT_TRUE(pci_config_read(0, 0x40, &dword));
    EXPECT_EQ(dword, 0x80120003u);
    EXPECT_FALSE(pci_config_read(0, 253, &dword));  // beyond the 256 bytes
}

TEST_F(DriverRequests, RequestFaultsFailWithTheirNumbers) {
    box.add_blank_adapters(1);
    box.write_text("adapter00/faults", "register-error 31\nconfig-read-error 1167\n");
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 1);
    std::uint32_t value = 0;
    EXPECT_EQ(captured_register_read(0, flash_wire::kControlRegister, &value),
              "ERROR: register read failed with error code: 31!\n");
    EXPECT_EQ(captured_register_write(0, flash_wire::kControlRegister, 1),
              "ERROR: register write failed with error code: 31!\n");
    EXPECT_FALSE(pci_config_read(0, 0x34, &value));
}

TEST_F(DriverRequests, EveryRequestThatReachesAnAdapterIsTraced) {
    box.add_blank_adapters(2);
    std::vector<std::uint8_t> config(256, 0);
    config[0x34] = 0x40;
    box.write_file("adapter01/config.bin", config);
    box.write_text("adapter01/faults", "register-error 31\n");
    setenv("HBAEMU_TRACE", box.trace_path().c_str(), 1);
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 2);
    std::uint32_t value = 0;
    ::testing::internal::CaptureStderr();
    pci_config_read(1, 0x34, &value);
    pci_config_write(1, 0x64, 0x00800000);
    reg_read(1, flash_wire::kControlRegister);
    reg_write(1, flash_wire::kDataRegister, 0x30B);
    reg_read(2, flash_wire::kControlRegister);  // an empty slot never reaches the emulator
    ::testing::internal::GetCapturedStderr();
    unsetenv("HBAEMU_TRACE");
    EXPECT_EQ(box.read_text("trace.log"),
              "adapter01 cfgread 0x00000034 -> 0x00000040\n"
              "adapter01 cfgwrite 0x00000064 0x00800000\n"
              "adapter01 regread 0x000006dc -> error 31\n"
              "adapter01 regwrite 0x000006d8 0x0000030b -> error 31\n");
}

// The first requests go through, counted across enumerations of one
// process; then every kind fails.
TEST_F(DriverRequests, FailAfterLetsTheFirstRequestsThroughAcrossEnumerations) {
    box.add_blank_adapters(1);
    box.write_text("adapter00/faults", "fail-after 010\n");  // decimal: ten requests
    std::string out, err;
    ASSERT_EQ(enumerate(&out, &err), 1);
    std::uint32_t value = 0;
    EXPECT_EQ(captured_register_read(0, flash_wire::kControlRegister, &value), "");
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(pci_config_read(0, 0, &value));
    }
    ASSERT_EQ(enumerate(&out, &err), 1);  // reopening does not start the count again
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(pci_config_read(0, 0, &value));
    }
    EXPECT_EQ(captured_register_read(0, flash_wire::kControlRegister, &value),
              "ERROR: register read failed with error code: 1167!\n");
    EXPECT_FALSE(pci_config_read(0, 0, &value));
}

}  // namespace
