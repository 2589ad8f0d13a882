// What survives the process: programs and erases are in flash.bin the moment
// the command ends, so a second process sees them, and a process killed at
// any point leaves the flash as a power cut would leave a real part.
#include "model_bench.h"
#include "support/adapter_contents.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the helper, waits for its first line, kills it with SIGKILL.
// Returns the line it announced.
std::string run_helper_until_announced_then_kill(const std::string& folder, const char* mode) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(PAGE_PROGRAM_HELPER_PATH, PAGE_PROGRAM_HELPER_PATH, folder.c_str(), mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    close(out[0]);
    EXPECT_TRUE(WIFSIGNALED(status));
    return line;
}

TEST(FlashPersistence, ProgramsAndErasesOfOneProcessAreSeenByTheNext) {
    model_bench bench;
    bench.close();
    run_result result = run_program(PAGE_PROGRAM_HELPER_PATH, {bench.folder, "finish"});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_TRUE(bench.open());
    EXPECT_EQ(bench.fast_read(0x30000, 256), std::vector<std::uint8_t>(256, 0x11));
    EXPECT_EQ(bench.fast_read(0x30100, 256), std::vector<std::uint8_t>(256, 0x22));
    bench.erase(0x30000);
    bench.close();
    EXPECT_EQ(bytes_of(bench.flash_file(), 0x30000, 0x30200), bytes(512, 0xFF));
}

// Killed between two page programs, or while the second program command is
// still selected: the first page is there, the second never happened.
TEST(FlashPersistence, AProcessKilledBeforeTheSecondProgramEndsKeepsTheFirst) {
    for (const auto& [mode, announced] :
         {std::pair{"between", "first page programmed"}, std::pair{"open", "second program command open"}}) {
        SCOPED_TRACE(mode);
        model_bench bench;
        bench.close();
        EXPECT_EQ(run_helper_until_announced_then_kill(bench.folder, mode), announced);
        const bytes flash = bench.flash_file();
        ASSERT_EQ(flash.size(), kFlashBytes);
        EXPECT_EQ(bytes_of(flash, 0x30000, 0x30100), bytes(256, 0x11));
        EXPECT_EQ(bytes_of(flash, 0x30100, 0x30200), bytes(256, 0xFF));
    }
}

TEST(ConfigPersistence, ConfigurationWritesAreGoneAfterTheProcessAndAShortFileIsRefused) {
    model_bench bench;
    std::uint32_t error = 0;
    ASSERT_TRUE(adapter_model_config_write(bench.model, 0x04, 0x00100007u, &error));
    bench.close();
    ASSERT_TRUE(bench.open());
    std::uint32_t value = 1;
    ASSERT_TRUE(adapter_model_config_read(bench.model, 0x04, &value, &error));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(bench.sandbox.read_file("adapter00/config.bin"), std::vector<std::uint8_t>(256, 0));
    // A folder it cannot use (a short config.bin) is refused.
    bench.close();
    bench.sandbox.write_file("adapter00/config.bin", std::vector<std::uint8_t>(100, 0));
    EXPECT_EQ(adapter_model_open(bench.folder, emulator_faults{}, &error), nullptr);
    EXPECT_EQ(error, 13u);
}

}  // namespace
