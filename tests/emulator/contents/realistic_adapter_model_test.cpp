// Realistic adapters read back through the hardware model the way software
// on the host finds them: the capability walk to the VPD capability, VPD
// words through its registers, and the flash through the controller.
#include "emulator/contents/boot_settings_layout.h"
#include "emulator/model/model_bench.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

namespace {

struct realistic_bench : model_bench {
    explicit realistic_bench(int index) {
        close();
        add_realistic_adapters(sandbox, index + 1);
        folder = sandbox.folder(realistic_adapter_profile(index).folder_name);
        EXPECT_TRUE(open());
    }
    std::uint32_t config(std::uint32_t offset) {
        std::uint32_t value = 0;
        std::uint32_t error = 0;
        EXPECT_TRUE(adapter_model_config_read(model, offset, &value, &error));
        return value;
    }
    std::uint32_t vpd_word(std::uint32_t capability, std::uint32_t address) {
        std::uint32_t error = 0;
        adapter_model_config_write(model, capability, (address & 0x1FFC) << 16, &error);
        for (int i = 0; i < 100 && (config(capability) & 0x80000000u) == 0; ++i) {
        }
        return config(capability + 4);
    }
};

TEST(RealisticAdapterModel, VpdAndSettingsReadBackThroughTheModel) {
    for (int index : {0, 1}) {
        realistic_bench bench(index);
        std::uint32_t capability = bench.config(0x34) & 0xFF;
        while (capability != 0 && (bench.config(capability) & 0xFF) != 3) {
            capability = (bench.config(capability) >> 8) & 0xFF;
        }
        ASSERT_EQ(capability, realistic_adapter_profile(index).vpd_capability_offset);
        unsigned sum = 0;
        for (std::uint32_t address = 0xC00; address < 0xCB4; address += 4) {
            const std::uint32_t word = bench.vpd_word(capability, address);
            for (std::uint32_t i = 0; i < 4 && address + i <= 0xCB0; ++i) {
                sum += (word >> (8 * i)) & 0xFF;
            }
        }
        EXPECT_EQ(sum & 0xFF, 0u);
        const std::uint32_t ids = bench.vpd_word(capability, 0x194C);
        EXPECT_EQ(ids >> 16, realistic_adapter_profile(index).vendor_id);
        EXPECT_EQ(bench.vpd_word(capability, 0x1950) & 0xFFFF, realistic_adapter_profile(index).device_id);
        // The settings record reads back through the controller.
        const std::vector<std::uint8_t> record = bench.fast_read(0x30000, kSettingsRecordSize);
        EXPECT_EQ(std::string(record.begin(), record.begin() + 4), std::string("KIB\0", 4));
        EXPECT_EQ(record[5] | (record[6] << 8), 444);
    }
}

TEST(BootSettingsLayout, FieldsCoverTheRecordInOrderWithoutGaps) {
    std::uint32_t next = 0;
    for (int i = 0; i < kSettingsFieldCount; ++i) {
        EXPECT_EQ(kSettingsFields[i].offset, next) << kSettingsFields[i].name;
        next = kSettingsFields[i].offset + kSettingsFields[i].size;
    }
    EXPECT_EQ(next, kSettingsRecordSize);
}

}  // namespace
