// The backup file as the operator's system sees it, through the built binary:
// its mode whatever the umask, its naming when a file appears at the name or
// the run is killed just before it, and the folders it cannot go into.
#include "support/emulator_sandbox.h"
#include "support/realistic_adapters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBackupSize = 32 + 0x30000 + 448;

// The names in the folder, sorted.
std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class BackupFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        add_realistic_adapters(box, 1);
        fs::create_directory(folder());
    }
    std::string folder() const { return box.folder("backups"); }
    std::string path(const std::string& name) const { return folder() + "/" + name; }
    run_result backup(const std::string& name,
                      const std::vector<std::pair<std::string, std::string>>& extra_environment = {}) const {
        return box.run_program_here(HBABOOTCFG_PATH, {"--backup", "0", path(name)}, extra_environment);
    }
    // The same backup, with the naming step hooked (backup_naming_shim.cpp);
    // without unnamed files, as on a file system that has none.
    run_result backup_with_naming_hook(const std::string& name, const std::string& action,
                                       bool unnamed_files = true) const {
        std::vector<std::pair<std::string, std::string>> hook = {{"LD_PRELOAD", BACKUP_NAMING_SHIM_PATH},
                                                                 {"ASAN_OPTIONS", "verify_asan_link_order=0"},
                                                                 {"HBA_SHIM_NAME", name},
                                                                 {"HBA_SHIM_PATH", path(name)},
                                                                 {"HBA_SHIM_ACTION", action}};
        if (!unnamed_files) {
            hook.emplace_back("HBA_SHIM_NO_TMPFILE", "1");
        }
        return backup(name, hook);
    }

    emulator_sandbox box;
};

TEST_F(BackupFileOnDisk, OwnerOnlyWhateverTheUmask) {
    for (const mode_t mask : {mode_t{0000}, mode_t{0022}, mode_t{0077}, mode_t{0277}}) {
        SCOPED_TRACE(mask);
        const std::string name = "mask" + std::to_string(mask) + ".bak";
        const mode_t saved = umask(mask);
        const run_result r = backup(name);
        umask(saved);
        ASSERT_EQ(r.status, 0) << r.err;
        struct stat s {};
        ASSERT_EQ(stat(path(name).c_str(), &s), 0);
        EXPECT_EQ(s.st_mode & 07777, 0600u);
        EXPECT_EQ(s.st_size, static_cast<off_t>(kBackupSize));
    }
}

// The name is given in one step that fails when the name is taken: a file
// that appears after every check is neither replaced nor joined by a stray,
// whether the backup was made unnamed or under a temporary name.
TEST_F(BackupFileOnDisk, FileAppearingAtTheNameJustBeforeItIsGivenIsKept) {
    for (const bool unnamed_files : {true, false}) {
        SCOPED_TRACE(unnamed_files ? "unnamed file" : "temporary name");
        const std::string name = unnamed_files ? "raced.bak" : "raced-named.bak";
        fs::remove_all(folder());
        fs::create_directory(folder());
        const run_result r = backup_with_naming_hook(name, "appear", unnamed_files);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, "ERROR: File already exists, a backup never replaces a file!\n");
        EXPECT_EQ(box.read_text("backups/" + name), "another program's file\n");
        EXPECT_EQ(names_in(folder()), std::vector<std::string>{name});
    }
}

// Killed with the file written but not yet named: nothing is left that a
// later backup trips over, and the backups after it succeed. Unnamed, the
// file is gone with the process; under a temporary name it stays, private,
// under a name no later run picks.
TEST_F(BackupFileOnDisk, KilledBeforeNamingLeavesNothingInTheWay) {
    for (const bool unnamed_files : {true, false}) {
        SCOPED_TRACE(unnamed_files ? "unnamed file" : "temporary name");
        fs::remove_all(folder());
        fs::create_directory(folder());
        const run_result killed = backup_with_naming_hook("x.bak", "kill", unnamed_files);
        ASSERT_EQ(killed.status, 128 + 9) << killed.err;
        EXPECT_FALSE(fs::exists(path("x.bak")));
        const std::vector<std::string> left = names_in(folder());
        ASSERT_EQ(left.size(), unnamed_files ? 0u : 1u);
        if (!unnamed_files) {
            EXPECT_EQ(left[0].rfind("x.bak.partial-", 0), 0u) << left[0];
            EXPECT_EQ(fs::status(path(left[0])).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        }
        for (const char* name : {"x.bak", "y.bak", "z.bak"}) {
            SCOPED_TRACE(name);
            const run_result r = backup(name);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(fs::file_size(path(name)), kBackupSize);
        }
        std::vector<std::string> expected = left;
        expected.insert(expected.end(), {"x.bak", "y.bak", "z.bak"});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names_in(folder()), expected);
    }
}

// A folder the file cannot be made in is refused before the flash is read
// (nothing on standard output), with the system's reason.
TEST_F(BackupFileOnDisk, FolderItCannotGoIntoIsRefusedBeforeTheRead) {
    box.write_text("backups/plain-file", "");
    struct refusal {
        const char* name;
        std::string target;
        const char* reason;
    };
    std::vector<refusal> refusals = {
        {"missing folder", path("missing/x.bak"), "No such file or directory"},
        {"a file as folder", path("plain-file/x.bak"), "Not a directory"},
    };
    // Permissions do not stop root.
    if (geteuid() != 0) {
        fs::create_directory(path("locked"));
        fs::permissions(path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        refusals.push_back({"folder without write permission", path("locked/x.bak"), "Permission denied"});
    }
    for (const refusal& c : refusals) {
        SCOPED_TRACE(c.name);
        const run_result r = box.run({"--backup", "0", c.target});
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, std::string("ERROR: Could not create the backup file: ") + c.reason + "!\n");
    }
    // Nothing was made anywhere.
    EXPECT_EQ(names_in(folder()).size(), refusals.size() - 1);
    EXPECT_EQ(fs::file_size(path("plain-file")), 0u);
}

}  // namespace
