// The update and erase commands.
#include "app/argument_path.h"
#include "app/command_words.h"
#include "app/commands.h"
#include "app/dry_run.h"
#include "app/exit_program.h"
#include "app/interrupt_report.h"
#include "app/update_adapter.h"
#include "optionrom/option_rom.h"
#include "optionrom/rom_update.h"
#include "optionrom/rom_update_dry_run.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

bool update_dry_run_asked(int argc, char** argv) {
    return argc >= 5 && (is_dry_run_word(argv[argc - 1]) || is_dry_run_word(argv[4]));
}

int update_adapter(std::uint8_t adapter, int argc, char** argv, const progress_report* progress, update_run* run) {
    *run = {};
    if (argc < 4) {
        std::fprintf(stderr, "ERROR: please specify the file path to flash to the Adapter!\n");
        return -1;
    }
    // --force (argument 4) writes an image made for another device; it
    // never lets through an image the firmware could not run at all.
    const bool forced = argc >= 5 && is_force_word(argv[4]);
    const rom_id_check ids = forced ? rom_id_check::waived : rom_id_check::required;
    // A dry-run word in place of --force still makes a dry run, never a
    // write.
    run->dry_run = update_dry_run_asked(argc, argv);
    if (run->dry_run) {
        return dry_run_rom_update(adapter, argument_path(argc, argv, 3), ids, &run->report) == 0 ? 0 : -1;
    }
    run->writes = true;
    return update_rom_from_file(adapter, argument_path(argc, argv, 3), ids, progress, &run->report);
}

int update_status(int rc, const update_run& run) {
    if (!run.writes) {
        return rc == 0 ? 0 : -1;
    }
    if (rc == kRomImageUnchanged) {
        return writing_command_status(0, "the Option ROM already held the image, nothing was written", "");
    }
    return writing_command_status(rc, "the new Option ROM was written and verified",
                                  "the new Option ROM was not written (see above)");
}

void run_update_command(std::uint8_t adapter, int argc, char** argv) {
    update_run run;
    const int rc = update_adapter(adapter, argc, argv, &kProgressLine, &run);
    exit_program(update_status(rc, run));
}

namespace {

[[noreturn]] void refuse_erase_target() {
    std::fprintf(stderr,
                 "ERROR: please specify if you want to erase Option ROM (rom) or Configuration settings "
                 "(settings)!\n");
    exit_program(-1);
}

}  // namespace

// Erasing needs the target and an exact force word. An unknown target (a
// typo of "settings", say) erases nothing and must not pass for an erase.
void run_erase_command(std::uint8_t adapter, int argc, char** argv) {
    if (argc < 4) {
        refuse_erase_target();
    }
    if (argc < 5 || !is_force_word(argv[4])) {
        std::fprintf(stderr, "ERROR: not proceeding without --force option!\n");
        exit_program(-1);
    }
    const char* target = argv[3];
    if (std::strcmp(target, kRomTarget) == 0) {
        finish_writing_command(erase_option_rom(adapter), "the Option ROM was erased",
                               "the Option ROM erase failed (see above)");
    }
    if (std::strcmp(target, kSettingsTarget) == 0) {
        const int rc = erase_settings(adapter);
        if (rc != 0) {
            std::fprintf(stderr, "ERROR: erasing settings failed!\n");
        }
        finish_writing_command(rc, "the settings were erased", "the settings erase failed (see above)");
    }
    refuse_erase_target();
}
