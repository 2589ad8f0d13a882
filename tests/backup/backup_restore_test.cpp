// Backup and restore through the built binary on realistic emulated
// adapters: round trips per part, the refusals, a restore that finds nothing
// to do, and restores and backups cut by faults.
#include "backup/crc32.h"
#include "emulator/contents/option_rom_image.h"
#include "support/adapter_contents.h"
#include "support/flash_wire.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kRomEnd = 0x30000;
constexpr std::size_t kSettingsEnd = 0x30000 + 448;
constexpr std::size_t kBackupSize = kHeaderSize + kSettingsEnd;

std::size_t count_lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

void put_crc(bytes* file) {
    const std::uint32_t crc = crc32_update(0, file->data() + kHeaderSize, file->size() - kHeaderSize);
    std::memcpy(file->data() + 24, &crc, 4);
}

class BackupRestore : public ::testing::Test {
protected:
    void SetUp() override {
        add_realistic_adapters(box, 2);
        original = flash();
        ASSERT_EQ(run({"--backup", "0", backup_path()}).status, 0);
        backup = box.read_file("backup.bin");
    }

    std::string backup_path() const { return box.folder("backup.bin"); }
    bytes flash(int adapter = 0) const { return box.read_file("adapter0" + std::to_string(adapter) + "/flash.bin"); }
    run_result run(const std::vector<std::string>& arguments, bool trace = false) const {
        return box.run(arguments, trace);
    }
    std::ptrdiff_t entries_in_root() const {
        return std::distance(std::filesystem::directory_iterator(box.root()), std::filesystem::directory_iterator());
    }
    // A newer Option ROM and other settings than the backup holds.
    void change_adapter() {
        box.write_file("newer.rom", build_option_rom_image({.size = 0x14000, .version = {2, 0, 9}}));
        ASSERT_EQ(run({"--update", "0", box.folder("newer.rom")}).status, 0);
        ASSERT_EQ(run({"--configure", "0", "vlanid=9", "staticip=10.9.9.9"}).status, 0);
        changed = flash();
        ASSERT_NE(bytes_of(changed, 0, kRomEnd), bytes_of(original, 0, kRomEnd));
        ASSERT_NE(bytes_of(changed, kRomEnd, kSettingsEnd), bytes_of(original, kRomEnd, kSettingsEnd));
    }

    emulator_sandbox box;
    bytes original;
    bytes backup;
    bytes changed;
};

TEST(BackupFile, Crc32IsTheCommonOne) {
    const char* check = "123456789";
    EXPECT_EQ(crc32_update(0, reinterpret_cast<const std::uint8_t*>(check), 9), 0xCBF43926u);
}

TEST_F(BackupRestore, BackupHoldsHeaderRomAndSettings) {
    ASSERT_EQ(backup.size(), kBackupSize);
    EXPECT_EQ(std::string(backup.begin(), backup.begin() + 8), "HBABCKUP");
    const adapter_profile profile = realistic_adapter_profile(0);
    // Format version 1, header size 32, the adapter's IDs, the parts' lengths.
    EXPECT_EQ(bytes_of(backup, 8, 12), (bytes{1, 0, 32, 0}));
    EXPECT_EQ(backup[12] | backup[13] << 8, profile.vendor_id);
    EXPECT_EQ(backup[14] | backup[15] << 8, profile.device_id);
    EXPECT_EQ(bytes_of(backup, 16, 24), (bytes{0x00, 0x00, 0x03, 0x00, 0xC0, 0x01, 0x00, 0x00}));
    bytes resealed = backup;
    put_crc(&resealed);
    EXPECT_EQ(resealed, backup);
    EXPECT_EQ(bytes_of(backup, kHeaderSize, kBackupSize), bytes_of(original, 0, kSettingsEnd));
    // No temporary file is left beside it.
    EXPECT_EQ(entries_in_root(), 3);  // adapter00, adapter01, backup.bin
}

TEST_F(BackupRestore, EachPartRoundTrips) {
    struct part {
        const char* target;
        std::size_t from;
        std::size_t to;
    };
    for (const part& p :
         {part{"rom", 0, kRomEnd}, part{"settings", kRomEnd, kSettingsEnd}, part{"all", 0, kSettingsEnd}}) {
        SCOPED_TRACE(p.target);
        change_adapter();
        const run_result r = run({"--restore", "0", backup_path(), p.target, "--force"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const bytes now = flash();
        EXPECT_EQ(bytes_of(now, p.from, p.to), bytes_of(original, p.from, p.to));
        // Outside the part, the flash is as the changes left it.
        EXPECT_EQ(bytes_of(now, 0, p.from), bytes_of(changed, 0, p.from));
        EXPECT_EQ(bytes_of(now, p.to, now.size()), bytes_of(changed, p.to, changed.size()));
    }
    EXPECT_EQ(flash(1), box.read_file("adapter01/flash.bin"));
}

TEST_F(BackupRestore, RestoreOfWhatIsThereWritesNothing) {
    const run_result r = run({"-r", "0", backup_path(), "all", "-f"}, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Option ROM unchanged"), std::string::npos);
    EXPECT_NE(r.out.find("Settings unchanged"), std::string::npos);
    const std::string trace = box.read_text("trace.log");
    EXPECT_EQ(erased_sectors_in_trace(trace), std::vector<int>{});
    EXPECT_EQ(programmed_pieces_in_trace(trace), std::vector<programmed_piece>{});
    EXPECT_EQ(flash(), original);
}

TEST_F(BackupRestore, ErasedBackupRomClearsTheRegionAndOnlyDifferingSectorsAreErased) {
    // A backup of an adapter without an Option ROM: only the sectors the
    // current ROM occupies differ, and no page is programmed.
    bytes erased_rom = backup;
    std::fill(erased_rom.begin() + kHeaderSize, erased_rom.begin() + kHeaderSize + kRomEnd, 0xFF);
    put_crc(&erased_rom);
    box.write_file("erased.bin", erased_rom);
    const run_result r = run({"--restore", "0", box.folder("erased.bin"), "rom", "--force"}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string trace = box.read_text("trace.log");
    EXPECT_EQ(erased_sectors_in_trace(trace), std::vector<int>{0});  // the 48 KiB ROM lies in sector 0
    EXPECT_EQ(programmed_pieces_in_trace(trace), std::vector<programmed_piece>{});
    EXPECT_EQ(bytes_of(flash(), 0, kRomEnd), bytes(kRomEnd, 0xFF));
}

// Every refusal: one "ERROR: " line naming the problem, status -1, and the
// flash untouched.
TEST_F(BackupRestore, RefusalsTouchNoFlash) {
    struct refusal {
        const char* name;
        std::function<void(bytes*)> spoil;   // applied to a copy of the backup
        std::vector<std::string> arguments;  // "FILE" stands for the spoilt copy
        const char* message;
    };
    const std::vector<std::string> restore_all = {"--restore", "0", "FILE", "all", "--force"};
    const std::vector<refusal> refusals = {
        {"bad magic", [](bytes* b) { (*b)[0] ^= 1; }, restore_all, "wrong magic"},
        {"bad CRC", [](bytes* b) { (*b)[kHeaderSize + 100] ^= 1; }, restore_all, "CRC-32"},
        {"truncated", [](bytes* b) { b->resize(kBackupSize - 1); }, restore_all, "truncated"},
        {"short header", [](bytes* b) { b->resize(20); }, restore_all, "truncated"},
        {"trailing data", [](bytes* b) { b->push_back(0); }, restore_all, "trailing data"},
        {"format version", [](bytes* b) { (*b)[8] = 2; }, restore_all, "format version 2"},
        {"reserved bytes", [](bytes* b) { (*b)[31] = 0x80; }, restore_all, "nonzero reserved bytes"},
        {"part length", [](bytes* b) { (*b)[20] = 0; }, restore_all, "part lengths"},
        {"ROM without signature",
         [](bytes* b) {
             (*b)[kHeaderSize] = 0;
             put_crc(b);
         },
         restore_all, "missing signature"},
        {"other adapter model", nullptr, {"--restore", "1", "FILE", "rom", "--force"}, "device 1abc:0b10"},
        {"missing file", nullptr, {"--restore", "0", "/nonexistent/backup.bin", "all", "-f"}, "Could not open"},
        {"folder as file", nullptr, {"--restore", "0", "DIR", "all", "-f"}, "Could not open"},
        // A FIFO without a writer would block the read for ever.
        {"FIFO", nullptr, {"--restore", "0", "FIFO", "all", "-f"}, "Not a regular file"},
        {"device", nullptr, {"--restore", "0", "/dev/null", "all", "-f"}, "Not a regular file"},
        {"unknown target", nullptr, {"--restore", "0", "FILE", "both", "-f"}, "what to restore"},
        {"no target", nullptr, {"--restore", "0", "FILE"}, "what to restore"},
        {"no force", nullptr, {"--restore", "0", "FILE", "rom"}, "--force"},
        {"single-dash force", nullptr, {"--restore", "0", "FILE", "rom", "-force"}, "--force"},
        {"no file", nullptr, {"--restore", "0"}, "backup file"},
        {"existing backup target", nullptr, {"--backup", "0", "FILE"}, "already exists"},
        {"no backup path", nullptr, {"--backup", "0"}, "file path"},
    };
    change_adapter();
    const bytes adapter1 = flash(1);
    ASSERT_EQ(mkfifo(box.folder("fifo").c_str(), 0600), 0);
    for (const refusal& c : refusals) {
        SCOPED_TRACE(c.name);
        bytes file = backup;
        if (c.spoil) {
            c.spoil(&file);
        }
        box.write_file("case.bin", file);
        std::vector<std::string> arguments = c.arguments;
        for (std::string& a : arguments) {
            a = a == "FILE" ? box.folder("case.bin") : a == "DIR" ? box.root() : a == "FIFO" ? box.folder("fifo") : a;
        }
        const run_result r = run(arguments);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
        EXPECT_EQ(count_lines(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(flash(), changed);
        EXPECT_EQ(flash(1), adapter1);
        EXPECT_EQ(box.read_file("case.bin"), file);
    }
}

// A restore cut short fails and says so; the same restore without the fault
// then puts everything back.
TEST_F(BackupRestore, RestoreCutByAFaultFailsAndCanBeRepeated) {
    struct cut {
        const char* target;
        const char* fault;
    };
    for (const cut& c :
         {cut{"settings", "program-busy-polls 5"}, cut{"rom", "program-busy-polls 5"}, cut{"all", "fail-after 60000"},
          cut{"rom", "erase-busy-polls 10"}, cut{"settings", "register-error 31"}}) {
        SCOPED_TRACE(std::string(c.target) + " with " + c.fault);
        change_adapter();
        box.write_text("adapter00/faults", std::string(c.fault) + "\n");
        const run_result cut_short = run({"--restore", "0", backup_path(), c.target, "--force"});
        EXPECT_EQ(cut_short.status, 255);
        EXPECT_NE(cut_short.err.find("ERROR: "), std::string::npos);
        EXPECT_EQ(cut_short.out.find(" restored from backup"), std::string::npos) << cut_short.out;

        box.write_text("adapter00/faults", "");
        const run_result again = run({"--restore", "0", backup_path(), "all", "--force"});
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(bytes_of(flash(), 0, kSettingsEnd), bytes_of(original, 0, kSettingsEnd));
    }
}

// A backup whose reads fail leaves no file behind.
TEST_F(BackupRestore, BackupWithFailingReadsWritesNoFile) {
    for (const char* fault : {"register-error 31", "controller-stuck", "fail-after 5000"}) {
        SCOPED_TRACE(fault);
        box.write_text("adapter00/faults", std::string(fault) + "\n");
        const run_result r = run({"--backup", "0", box.folder("failed.bin")});
        EXPECT_EQ(r.status, 255);
        EXPECT_NE(r.err.find("no backup written"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(box.folder("failed.bin")));
        EXPECT_EQ(entries_in_root(), 3);
    }
}

// Only the sectors where flash and backup differ are erased, and in them only
// the pages that hold data are programmed; the progress line counts those.
TEST_F(BackupRestore, OnlyDifferingSectorsAreRewritten) {
    box.write_file("two-sectors.rom", build_option_rom_image({.size = 0x14000, .version = {3, 1, 4}}));
    ASSERT_EQ(run({"--update", "0", box.folder("two-sectors.rom")}).status, 0);
    ASSERT_EQ(run({"--backup", "0", box.folder("two.bin")}).status, 0);
    bytes spoilt = flash();
    spoilt[0x12345] ^= 0x5A;
    box.write_file("adapter00/flash.bin", spoilt);

    const run_result r = run({"--restore", "0", box.folder("two.bin"), "rom", "--force"}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string trace = box.read_text("trace.log");
    EXPECT_EQ(erased_sectors_in_trace(trace), std::vector<int>{1});
    // Sector 1 holds image bytes up to 0x14000; its pages beyond are erased.
    std::vector<programmed_piece> expected;
    for (std::uint32_t address = 0x10000; address < 0x14000; address += 256) {
        expected.push_back({address, 256});
    }
    EXPECT_EQ(programmed_pieces_in_trace(trace), expected);
    EXPECT_EQ(bytes_of(flash(), 0, kSettingsEnd), bytes_of(box.read_file("two.bin"), kHeaderSize, kBackupSize));

    const std::string head =
        "Comparing Option ROM of Adapter with the backup... please wait\n"
        "Erasing Option ROM sectors that differ from the backup.. please wait\n"
        "Writing Option ROM from backup to Adapter... please wait\n";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    EXPECT_TRUE(r.out.ends_with("100.00%\b\b\nOption ROM restored from backup.\n")) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '%'), 64);  // one per page programmed
}

// The backup's own output: the progress line over the 48 runs of 4 KiB it
// reads, and the one line that names the adapter.
TEST_F(BackupRestore, BackupOutputIsOneProgressLineAndTheResult) {
    const run_result r = run({"--backup", "1", box.folder("second.bin")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string head = "Reading Option ROM and settings from Adapter... please wait\n";
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '%'), 48);
    EXPECT_TRUE(r.out.ends_with("100.00%\b\b\nBackup of Adapter 1 (device 1abd:0b11) written.\n")) << r.out;
}

// A save cut between its erase and its pages leaves the settings erased;
// the display then shows nothing of them. A settings restore brings back
// exactly what the display showed before.
TEST_F(BackupRestore, ErasedSettingsComeBackAsTheyWere) {
    const run_result before = run({"--display", "0"});
    ASSERT_EQ(run({"--erase", "0", "settings", "--force"}).status, 0);
    ASSERT_NE(run({"--display", "0"}).out, before.out);
    const run_result r = run({"--restore", "0", backup_path(), "settings", "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Saving settings to Adapter... please wait  \n"
              "Settings restored from backup.\n");
    EXPECT_EQ(run({"--display", "0"}).out, before.out);
    EXPECT_EQ(flash(), original);
}

// The command words match as prefixes, as every other command's do, and the
// adapter index is checked first.
TEST_F(BackupRestore, CommandWordsAndIndexFollowTheDispatchRules) {
    int n = 0;
    for (const char* word : {"-b", "-bx", "--backup", "--backups"}) {
        const std::string path = box.folder("prefix" + std::to_string(n++) + ".bin");
        EXPECT_EQ(run({word, "0", path}).status, 0) << word;
        EXPECT_EQ(box.read_file(path.substr(box.root().size() + 1)), backup) << word;
    }
    for (const char* word : {"-r", "-rx", "--restore", "--restored"}) {
        const run_result r = run({word, "0", backup_path(), "all", "-f"});
        EXPECT_EQ(r.status, 0) << word;
        EXPECT_NE(r.out.find("Settings unchanged"), std::string::npos) << word;
    }
    // A word that only resembles the command is not understood.
    const run_result nothing = run({"backup", "0", box.folder("never.bin")});
    EXPECT_EQ(nothing.status, 255);
    EXPECT_EQ(nothing.out, "");
    EXPECT_NE(nothing.err.find("Help / Usage:"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(box.folder("never.bin")));
    const run_result bad_index = run({"--restore", "5", backup_path(), "all", "-f"});
    EXPECT_EQ(bad_index.status, 255);
    EXPECT_EQ(bad_index.err,
              "ERROR: Invalid Adapter number! Only allowed values are 0 to 1, since only 2 Adapters are installed.\n");
}

}  // namespace
