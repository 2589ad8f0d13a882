// Round trips through the adapter emulator, in-process: what a page program
// writes reads back and lands in flash.bin, what an erase blanks reads back
// blank, and no single refused request passes for success.
#include "flash/flash_controller.h"
#include "flash/flash_geometry.h"
#include "flash/flash_operations.h"
#include "support/adapter_bench.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

class flash_emulator_test : public adapter_bench_test {
protected:
    // The adapter powered on with these faults (and flash, when given).
    void open_adapter(const std::string& faults = "", const bytes& flash = {}) {
        hw().faults = faults;
        if (!flash.empty()) {
            hw().flash = flash;
        }
        ASSERT_EQ(bench.power_on(), 1);
    }

    bytes read_flash(std::uint32_t address, std::uint32_t size) {
        bytes data(size, 0xA5);
        EXPECT_EQ(flash_read_words(0, address, size / 4, data.data()), kFlashOk);
        return data;
    }
};

TEST_F(flash_emulator_test, ProgrammedPagesReadBackAndPersist) {
    open_adapter();
    // A settings-sized save: one full page and one of 192 bytes.
    const bytes data = pattern(448);
    ASSERT_EQ(flash_write_page(0, kSettingsOffset, 256, data.data()), kFlashOk);
    ASSERT_EQ(flash_write_page(0, kSettingsOffset + 256, 192, data.data() + 256), kFlashOk);

    EXPECT_EQ(read_flash(kSettingsOffset, 448), data);
    // A read that starts mid-record sees the same bytes.
    const bytes middle = read_flash(kSettingsOffset + 100, 28);
    EXPECT_TRUE(std::equal(middle.begin(), middle.end(), data.begin() + 100));

    close_adapter_handles();
    const bytes file = bench.flash();
    ASSERT_EQ(file.size(), kFlashBytes);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file.begin() + kSettingsOffset));
    EXPECT_EQ(file[kSettingsOffset + 448], 0xFF);
    EXPECT_EQ(file[kSettingsOffset - 1], 0xFF);
}

TEST_F(flash_emulator_test, EraseThenProgramThenReadTheOptionRomRegion) {
    open_adapter("", bytes(kFlashBytes, 0x00));
    ASSERT_EQ(flash_erase_sectors(0, kOptionRomFirstSector, kOptionRomLastSector), kFlashOk);
    const bytes image = pattern(0x600);
    for (std::uint32_t at = 0; at < image.size(); at += kFlashPageSize) {
        ASSERT_EQ(flash_write_page(0, at, kFlashPageSize, image.data() + at), kFlashOk);
    }
    EXPECT_EQ(read_flash(0, 0x600), image);
    EXPECT_EQ(read_flash(kOptionRomMaxSize - 4, 4), bytes(4, 0xFF));
    EXPECT_EQ(read_flash(kOptionRomMaxSize, 4), bytes(4, 0x00));
}

// Whichever single driver request of a flash operation is refused, the
// operation fails: a read never passes off the zeros of a refused register
// read as flash bytes, and a program or erase is never taken for done.
TEST_F(flash_emulator_test, AnySingleRefusedRequestFailsTheOperation) {
    open_adapter("", pattern(kFlashBytes));
    std::uint8_t words[12] = {};
    const bytes data = pattern(5);
    const struct {
        const char* name;
        std::function<int()> call;
    } operations[] = {
        {"read", [&] { return flash_read_words(0, kSettingsOffset, 3, words); }},
        {"program", [&] { return flash_write_page(0, 0x40000, 5, data.data()); }},
        {"erase", [&] { return flash_erase_sectors(0, 5, 5); }},
    };
    for (const auto& operation : operations) {
        hw().fail_error = 0;
        ASSERT_EQ(bench.power_on(), 1);
        ASSERT_EQ(operation.call(), kFlashOk) << operation.name;
        const std::uint64_t count = bench.requests.size() - bench.sleeps().size();
        for (std::uint64_t refused = 1; refused <= count; ++refused) {
            // A fresh controller each time: a failed command stays open.
            hw().fail_error = kErrorDeviceNotConnected;
            hw().fail_after = refused - 1;
            hw().failures = 1;
            ASSERT_EQ(bench.power_on(), 1);
            EXPECT_NE(run(operation.call).first, kFlashOk)
                << operation.name << ": request " << refused << " of " << count << " refused";
        }
    }
}

}  // namespace
