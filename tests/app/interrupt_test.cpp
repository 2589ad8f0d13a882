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

// Follows a run's trace as it grows, so that on a loaded machine the
// interrupt still lands where it is meant to.
class trace_follower {
public:
    explicit trace_follower(std::string path) : path_(std::move(path)) {}

    // Whether the trace has shown the text by now.
    bool holds(const std::string& text) {
        if (!trace_.is_open()) {
            trace_.open(path_, std::ios::binary);
        }
        char chunk[65536];
        do {
            trace_.clear();
            trace_.read(chunk, sizeof chunk);
            tail_.append(chunk, static_cast<std::size_t>(trace_.gcount()));
            if (tail_.find(text) != std::string::npos) {
                return true;
            }
            // Keep what could be the start of the text, cut by the chunk's end.
            if (tail_.size() > text.size()) {
                tail_.erase(0, tail_.size() - text.size());
            }
        } while (trace_.gcount() > 0);
        return false;
    }

private:
    std::string path_;
    std::ifstream trace_;
    std::string tail_;
};

// One run of the utility in its own emulator root, and when it is
// interrupted: delay_ms after its start, or as soon as its trace shows
// traced (at most 20 s on).
struct planned_interrupt {
    const emulator_sandbox* box;
    std::vector<std::string> arguments;
    int delay_ms = 0;
    int signal_number = SIGINT;
    std::string traced;
};

// Starts the utility against the plan's root. The child starts with default
// dispositions, as from an operator's shell, whatever the test runner left.
pid_t start_run(const planned_interrupt& plan) {
    const emulator_sandbox& box = *plan.box;
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
        for (const std::string& a : plan.arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(HBABOOTCFG_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

// Starts every run at once, interrupts each at its moment and waits for them
// all. The runs spend their time waiting on the slow flash, so together
// they take about as long as the longest alone.
std::vector<interrupted_run> run_all_and_interrupt(const std::vector<planned_interrupt>& plans) {
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    std::vector<pid_t> pids;
    std::vector<trace_follower> traces;
    for (const planned_interrupt& plan : plans) {
        pids.push_back(start_run(plan));
        traces.emplace_back(plan.box->folder("run.trace"));
    }
    std::vector<bool> sent(plans.size(), false);
    for (std::size_t left = plans.size(); left > 0;) {
        const clock::time_point now = clock::now();
        for (std::size_t i = 0; i < plans.size(); ++i) {
            const planned_interrupt& plan = plans[i];
            const bool due = plan.traced.empty()
                                 ? now - start >= std::chrono::milliseconds(plan.delay_ms)
                                 : traces[i].holds(plan.traced) || now - start >= std::chrono::seconds(20);
            if (!sent[i] && due) {
                kill(pids[i], plan.signal_number);
                sent[i] = true;
                --left;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<interrupted_run> runs;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        int wait_status = 0;
        waitpid(pids[i], &wait_status, 0);
        interrupted_run r;
        r.killed = WIFSIGNALED(wait_status) && WTERMSIG(wait_status) == plans[i].signal_number;
        r.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
        r.out = plans[i].box->read_text("run.out");
        r.err = plans[i].box->read_text("run.err");
        runs.push_back(r);
    }
    return runs;
}

// One run, sent signal_number delay_ms after its start, or as soon as its
// trace shows traced.
interrupted_run run_and_interrupt(const emulator_sandbox& box, const std::vector<std::string>& arguments, int delay_ms,
                                  int signal_number, const std::string& traced = {}) {
    return run_all_and_interrupt({{&box, arguments, delay_ms, signal_number, traced}}).front();
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
    // Each run in a root of its own, all of them at once.
    std::vector<emulator_sandbox> boxes(delays.size());
    std::vector<planned_interrupt> plans;
    for (std::size_t i = 0; i < delays.size(); ++i) {
        std::vector<std::string> arguments = words_of(c.words);
        prepare(boxes[i], &arguments);
        const bool at_erase = delays[i] < 0;
        plans.push_back({&boxes[i], arguments, at_erase ? 0 : delays[i], SIGINT,
                         at_erase ? sector_erase_traced(c.erase_sector) : ""});
    }
    std::vector<std::vector<std::uint8_t>> old_flashes;
    for (const emulator_sandbox& box : boxes) {
        old_flashes.push_back(box.read_file(kFolder + "/flash.bin"));
        box.write_text(kFolder + "/faults", kSlowFlash);
    }
    const std::vector<interrupted_run> runs = run_all_and_interrupt(plans);

    for (std::size_t i = 0; i < delays.size(); ++i) {
        const int delay = delays[i];
        const interrupted_run& r = runs[i];
        const std::vector<std::uint8_t>& old_flash = old_flashes[i];
        // For a restore of all stopped after its Option ROM part.
        std::vector<std::uint8_t> rom_only = new_flash;
        std::copy(old_flash.begin() + 0x30000, old_flash.begin() + 0x40000, rom_only.begin() + 0x30000);
        const bool at_erase = delay < 0;
        const std::vector<std::uint8_t> flash = boxes[i].read_file(kFolder + "/flash.bin");
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
    const int signals[] = {SIGTERM, SIGHUP, SIGQUIT};
    emulator_sandbox boxes[3];
    std::vector<planned_interrupt> plans;
    for (std::size_t i = 0; i < 3; ++i) {
        add_realistic_adapters(boxes[i], 1);
        boxes[i].write_text(kFolder + "/faults", kSlowFlash);
        plans.push_back(
            {&boxes[i], {"--configure", "0", "vlanid=9"}, 0, signals[i], sector_erase_traced(kSettingsSector)});
    }
    const std::vector<interrupted_run> runs = run_all_and_interrupt(plans);
    for (std::size_t i = 0; i < 3; ++i) {
        const interrupted_run& r = runs[i];
        EXPECT_FALSE(r.killed) << "signal " << signals[i];
        EXPECT_EQ(r.status, 255) << "signal " << signals[i];
        EXPECT_TRUE(
            r.err.ends_with("ERROR: Interrupted, the new settings were saved and verified; nothing more was done!\n"))
            << r.err;
        EXPECT_NE(boxes[i].run({"--export", "0"}).out.find("vlanid=9\n"), std::string::npos);
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
