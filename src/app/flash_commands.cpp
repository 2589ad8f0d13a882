// The update and erase commands.
#include "app/argument_path.h"
#include "app/command_words.h"
#include "app/commands.h"
#include "app/dry_run.h"
#include "app/exit_program.h"
#include "app/interrupt_report.h"
#include "optionrom/option_rom.h"
#include "optionrom/rom_update.h"
#include "optionrom/rom_update_dry_run.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>

void run_update_command(std::uint8_t adapter, int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "ERROR: please specify the file path to flash to the Adapter!\n");
        exit_program(-1);
    }
    // --force (argument 4) writes an image made for another device; it
    // never lets through an image the firmware could not run at all.
    const bool forced = argc >= 5 && is_force_word(argv[4]);
    const rom_id_check ids = forced ? rom_id_check::waived : rom_id_check::required;
    // --dry-run (-n) comes last, after the file and any --force; in place of
    // --force it still makes a dry run, never a write.
    if (argc >= 5 && (is_dry_run_word(argv[argc - 1]) || is_dry_run_word(argv[4]))) {
        exit_program(dry_run_rom_update(adapter, argument_path(argc, argv, 3), ids) == 0 ? 0 : -1);
    }
    const int rc = update_rom_from_file(adapter, argument_path(argc, argv, 3), ids);
    if (rc == kRomImageUnchanged) {
        finish_writing_command(0, "the Option ROM already held the image, nothing was written", "");
    }
    finish_writing_command(rc, "the new Option ROM was written and verified",
                           "the new Option ROM was not written (see above)");
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
