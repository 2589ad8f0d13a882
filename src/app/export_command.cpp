// The export command: the adapter's boot settings as setting=value lines on
// standard output, for a settings file. Standard output carries nothing else,
// so every refusal goes to standard error and leaves it empty.
#include "app/commands.h"
#include "app/exit_program.h"
#include "optionrom/option_rom_presence.h"
#include "settings/settings_export.h"
#include "settings/settings_storage.h"

#include <cstdio>

void run_export_command(std::uint8_t adapter, settings_buffer* buffer) {
    // Without an Option ROM the settings sector means nothing to anyone.
    if (require_option_rom(adapter) != 0) {
        exit_program(-1);
    }
    if (read_settings(adapter, buffer, false) != 0) {
        exit_program(-1);
    }
    if (is_version_1_0(buffer->record)) {
        std::fputs("\nERROR: unsupported Option ROM version 1.0!\n", stderr);
        exit_program(-1);
    }
    exit_program(print_settings_export(buffer->record) == 0 ? 0 : -1);
}
