// The backup and restore commands.
#include "app/argument_path.h"
#include "app/command_words.h"
#include "app/commands.h"
#include "app/exit_program.h"
#include "app/interrupt_report.h"
#include "backup/backup_restore.h"
#include "platform/progress_line.h"

#include <cstdio>
#include <cstring>

namespace {

struct restore_target {
    const char* word;
    int parts;
};

constexpr restore_target kRestoreTargets[] = {
    {kRomTarget, kRestoreRom},
    {kSettingsTarget, kRestoreSettings},
    {"all", kRestoreAll},
};

// The parts named by an exact target word, or 0.
int restore_parts(const char* word) {
    for (const restore_target& target : kRestoreTargets) {
        if (std::strcmp(word, target.word) == 0) {
            return target.parts;
        }
    }
    return 0;
}

// What an interrupted restore completed, part by part.
[[noreturn]] void finish_restore(int rc, int parts, int done) {
    if (parts == kRestoreAll && done == kRestoreRom) {
        finish_interrupted_with(
            rc, "ERROR: Interrupted, the Option ROM was restored and verified; the settings were not restored!\n");
    }
    if (parts == kRestoreAll) {
        finish_writing_command(rc, "the Option ROM and the settings were restored and verified",
                               "the restore failed (see above)");
    }
    if (parts == kRestoreRom) {
        finish_writing_command(rc, "the Option ROM was restored and verified",
                               "the Option ROM restore failed (see above)");
    }
    finish_writing_command(rc, "the settings were restored and verified", "the settings restore failed (see above)");
}

}  // namespace

void run_backup_command(std::uint8_t adapter, int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "ERROR: please specify the file path for the backup!\n");
        exit_program(-1);
    }
    exit_program(backup_adapter(adapter, argument_path(argc, argv, 3), &kProgressLine) == 0 ? 0 : -1);
}

// Everything on the command line is checked before the file is read, and the
// file before the adapter is touched.
void run_restore_command(std::uint8_t adapter, int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "ERROR: please specify the backup file to restore from!\n");
        exit_program(-1);
    }
    const int parts = argc < 5 ? 0 : restore_parts(argv[4]);
    if (parts == 0) {
        std::fprintf(stderr,
                     "ERROR: please specify what to restore: Option ROM (rom), settings (settings) or both (all)!\n");
        exit_program(-1);
    }
    if (argc < 6 || !is_force_word(argv[5])) {
        std::fprintf(stderr, "ERROR: not proceeding without --force option!\n");
        exit_program(-1);
    }
    int done = 0;
    const int rc = restore_adapter(adapter, argument_path(argc, argv, 3), parts, &kProgressLine, &done);
    finish_restore(rc, parts, done);
}
