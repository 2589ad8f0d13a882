// Interrupts through the built binary, on an emulated adapter whose flash is
// as slow as a real one (a sector erase 300 ms, a page program 2 ms). An
// interrupt that arrives while a command erases, programs or reads back a
// region is held until the region is consistent; the command then stops with
// one line and status -1. One that arrives elsewhere ends the process as the
// signal does. Either way the flash holds the old region or the new one,
// never a mixture.
#include "emulator/contents/adapter_profile.h"
#include "emulator/contents/option_rom_image.h"
#include "support/emulator_sandbox.h"
#include "support/flash_wire.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char kSlowFlash[] = "erase-time-ms 300\nprogram-time-us 2000\n";
// Every transfer waits one controller poll (10 ms): reads become slow enough
// to be interrupted.
constexpr const char kSlowReads[] = "controller-busy-reads 1\n";

struct interrupted_run {
    bool killed = false;  // ended by the signal itself
    int status = -1;      // the exit status otherwise
    std::string out;
    std::string err;
};

// The settings live in sector 3; an Option ROM begins in sector 0.
constexpr int kRomFirstSector = 0;
constexpr int kSettingsSector = 3;

// The request that starts a sector erase, as the trace shows it: the command
// word (the opcode, then the sector's address bytes) in the data register.
// The erase then runs for at least 300 ms and the first status poll comes
// after 500 ms, so an interrupt sent when the line appears lands inside the
// stretch.
std::string sector_erase_traced(int sector) {
    char line[48];
    std::snprintf(line, sizeof line, "regwrite 0x%08x 0x%08x\n", flash_wire::kDataRegister,
                  flash_wire::kSectorErase | (static_cast<unsigned>(sector) << 8));
    return line;
}

// Follows the trace as it grows until it holds the text (at most 20 s), so
// that on a loaded machine the interrupt still lands where it is meant to.
void wait_for_traced(const emulator_sandbox& box, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::ifstream trace;
    std::string tail;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!trace.is_open()) {
            trace.open(box.folder("run.trace"), std::ios::binary);
        }
        char chunk[65536];
        trace.clear();
        trace.read(chunk, sizeof chunk);
        tail.append(chunk, static_cast<std::size_t>(trace.gcount()));
        if (tail.find(text) != std::string::npos) {
            return;
        }
        // Keep what could be the start of the text, cut by the chunk's end.
        if (tail.size() > text.size()) {
            tail.erase(0, tail.size() - text.size());
        }
        if (trace.gcount() == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
}

// Runs the utility against root, sends signal_number delay_ms after the start
// (or after the traced text, when there is one) and waits for the end. The child
// starts with default dispositions, as from an operator's shell, whatever the
// test runner left.
interrupted_run run_and_interrupt(const emulator_sandbox& box, const std::vector<std::string>& arguments, int delay_ms,
                                  int signal_number, const std::string& traced = {}) {
    const std::string out_path = box.folder("run.out");
    const std::string err_path = box.folder("run.err");
    const pid_t pid = fork();
    if (pid == 0) {
        for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            std::signal(s, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        point_emulator_at(box.root(), box.folder("run.trace"));
        // The interrupt must land inside a stretch of real time: the slow
        // flash keeps real time, the emulator's default.
        setenv("HBAEMU_CLOCK", "real", 1);
        std::vector<char*> argv = {const_cast<char*>(HBABOOTCFG_PATH)};
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(HBABOOTCFG_PATH, argv.data());
        _exit(127);
    }
    if (!traced.empty()) {
        wait_for_traced(box, traced);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    kill(pid, signal_number);
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    interrupted_run r;
    r.killed = WIFSIGNALED(wait_status) && WTERMSIG(wait_status) == signal_number;
    r.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    r.out = box.read_text("run.out");
    r.err = box.read_text("run.err");
    return r;
}

const std::string kFolder = realistic_adapter_profile(0).folder_name;

// One realistic adapter. With "BACKUP" among the arguments a backup of it is
// taken first and its Option ROM and settings are changed after, so that a
// restore has something to write; "IMAGE" is a 16 KiB Option ROM image.
void prepare(emulator_sandbox& box, std::vector<std::string>* arguments) {
    add_realistic_adapters(box, 1);
    box.write_file("update.rom", build_option_rom_image({.size = 0x4000, .version = {9, 8, 7}}));
    for (std::string& a : *arguments) {
        if (a == "BACKUP") {
            box.run({"--backup", "0", box.folder("made.bak")});
            box.run({"--update", "0", box.folder("update.rom")});
            box.run({"--configure", "0", "vlanid=9"});
            a = box.folder("made.bak");
        } else if (a == "IMAGE") {
            a = box.folder("update.rom");
        }
    }
}

std::vector<std::uint8_t> flash_after_healthy_run(std::vector<std::string> arguments) {
    emulator_sandbox box;
    prepare(box, &arguments);
    const run_result r = box.run(arguments);
    EXPECT_EQ(r.status, 0) << r.err;
    return box.read_file(kFolder + "/flash.bin");
}

struct interrupt_case {
    const char* name;
    const char* words;           // the arguments
    const char* completed;       // what a held interrupt's line says was done
    int erase_sector;            // erased inside the stretch: an interrupt then is held
    std::vector<int> delays_ms;  // when the interrupt is sent, from the start
};

// A held interrupt leaves the command's whole region written, or for a
// restore of all, the Option ROM alone when it came during that part.
constexpr const char kRomOnlyLine[] =
    "ERROR: Interrupted, the Option ROM was restored and verified; the settings were not restored!\n";

const interrupt_case kCases[] = {
    {"configure",
     "--configure 0 vlanid=9",
     "the new settings were saved and verified",
     kSettingsSector,
     {60, 150, 280}},
    {"update", "--update 0 IMAGE", "the new Option ROM was written and verified", kRomFirstSector, {100, 360}},
    {"erase_rom", "--erase 0 rom --force", "the Option ROM was erased", kRomFirstSector, {150, 550}},
    {"erase_settings", "--erase 0 settings --force", "the settings were erased", kSettingsSector, {150}},
    {"restore_rom",
     "--restore 0 BACKUP rom --force",
     "the Option ROM was restored and verified",
     kRomFirstSector,
     {150, 450}},
    {"restore_settings",
     "--restore 0 BACKUP settings --force",
     "the settings were restored and verified",
     kSettingsSector,
     {150}},
    {"restore_all",
     "--restore 0 BACKUP all --force",
     "the Option ROM and the settings were restored and verified",
     kSettingsSector,
     {850}},
};

// gtest names a failing case with this rather than a dump of its bytes.
void PrintTo(const interrupt_case& c, std::ostream* os) {
    *os << c.name;
}

class InterruptDuringWrite : public ::testing::TestWithParam<interrupt_case> {};

TEST_P(InterruptDuringWrite, OldOrNewRegionAndWhatWasCompleted) {
    const interrupt_case& c = GetParam();
    const std::vector<std::uint8_t> new_flash = flash_after_healthy_run(words_of(c.words));
    // The fixed delays land where they land on this machine; the last run
    // waits for an erase inside the stretch and so is always held.
    std::vector<int> delays = c.delays_ms;
    delays.push_back(-1);
    for (const int delay : delays) {
        emulator_sandbox box;
        std::vector<std::string> arguments = words_of(c.words);
        prepare(box, &arguments);
        const std::vector<std::uint8_t> old_flash = box.read_file(kFolder + "/flash.bin");
        // For a restore of all stopped after its Option ROM part.
        std::vector<std::uint8_t> rom_only = new_flash;
        std::copy(old_flash.begin() + 0x30000, old_flash.begin() + 0x40000, rom_only.begin() + 0x30000);
        box.write_text(kFolder + "/faults", kSlowFlash);

        const bool at_erase = delay < 0;
        const interrupted_run r = run_and_interrupt(box, arguments, at_erase ? 0 : delay, SIGINT,
                                                    at_erase ? sector_erase_traced(c.erase_sector) : "");
        const std::vector<std::uint8_t> flash = box.read_file(kFolder + "/flash.bin");
        const std::string at = std::string(c.name) + " interrupted " +
                               (at_erase ? std::string("during an erase") : "at " + std::to_string(delay) + " ms");
        EXPECT_FALSE(at_erase && r.killed) << at << ": not held";
        if (r.killed) {
            // Between the two parts of a restore of all nothing is held.
            EXPECT_TRUE(flash == old_flash || (c.name == std::string("restore_all") && flash == rom_only))
                << at << ": ended by the signal, but the flash changed";
            continue;
        }
        EXPECT_EQ(r.status, 255) << at << "\n" << r.err;
        const bool rom_only_stop = r.err.ends_with(kRomOnlyLine);
        EXPECT_TRUE(r.err.ends_with("ERROR: Interrupted, " + std::string(c.completed) + "; nothing more was done!\n") ||
                    (!at_erase && c.name == std::string("restore_all") && rom_only_stop))
            << at << ":\n"
            << r.err;
        EXPECT_TRUE(flash == (rom_only_stop ? rom_only : new_flash)) << at << ": the flash holds a mixture";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWritingCommand, InterruptDuringWrite, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A restore of all interrupted while its Option ROM is written does not go
// on to the settings.
TEST(InterruptDuringWrite, RestoreOfAllStoppedInItsOptionRomPartLeavesTheSettingsAlone) {
    emulator_sandbox box;
    std::vector<std::string> arguments = {"--restore", "0", "BACKUP", "all", "--force"};
    prepare(box, &arguments);
    const std::vector<std::uint8_t> old_flash = box.read_file(kFolder + "/flash.bin");
    box.write_text(kFolder + "/faults", kSlowFlash);
    const interrupted_run r = run_and_interrupt(box, arguments, 0, SIGINT, sector_erase_traced(kRomFirstSector));
    ASSERT_FALSE(r.killed);
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(r.err.ends_with(kRomOnlyLine)) << r.err;
    EXPECT_EQ(r.out.find("Saving settings"), std::string::npos) << r.out;
    const std::vector<std::uint8_t> flash = box.read_file(kFolder + "/flash.bin");
    EXPECT_TRUE(std::equal(flash.begin() + 0x30000, flash.begin() + 0x40000, old_flash.begin() + 0x30000));
}

// SIGTERM (a service manager's stop), SIGHUP (a dropped session) and SIGQUIT
// are held like Ctrl+C.
TEST(InterruptDuringWrite, TerminateHangupAndQuitAreHeldLikeCtrlC) {
    for (const int signal_number : {SIGTERM, SIGHUP, SIGQUIT}) {
        emulator_sandbox box;
        add_realistic_adapters(box, 1);
        box.write_text(kFolder + "/faults", kSlowFlash);
        const interrupted_run r = run_and_interrupt(box, {"--configure", "0", "vlanid=9"}, 0, signal_number,
                                                    sector_erase_traced(kSettingsSector));
        EXPECT_FALSE(r.killed) << "signal " << signal_number;
        EXPECT_EQ(r.status, 255) << "signal " << signal_number;
        EXPECT_TRUE(
            r.err.ends_with("ERROR: Interrupted, the new settings were saved and verified; nothing more was done!\n"))
            << r.err;
        EXPECT_NE(box.run({"--export", "0"}).out.find("vlanid=9\n"), std::string::npos);
    }
}

// Outside the writing stretches nothing is held: a backup interrupted while
// it reads, and a configure before it writes, end by the signal, leaving no
// file and the flash as it was.
TEST(InterruptOutsideWrite, EndsTheProcessAsTheSignalDoes) {
    {
        emulator_sandbox box;
        add_realistic_adapters(box, 1);
        box.write_text(kFolder + "/faults", kSlowReads);
        const interrupted_run r = run_and_interrupt(box, {"--backup", "0", box.folder("b.bak")}, 150, SIGINT);
        EXPECT_TRUE(r.killed) << r.err;
        EXPECT_FALSE(std::filesystem::exists(box.folder("b.bak")));
    }
    {
        emulator_sandbox box;
        add_realistic_adapters(box, 1);
        const std::vector<std::uint8_t> old_flash = box.read_file(kFolder + "/flash.bin");
        box.write_text(kFolder + "/faults", kSlowReads);
        const interrupted_run r = run_and_interrupt(box, {"--configure", "0", "vlanid=9"}, 150, SIGTERM);
        EXPECT_TRUE(r.killed) << r.err;
        EXPECT_TRUE(box.read_file(kFolder + "/flash.bin") == old_flash);
    }
}

}  // namespace
