// The dry runs of the configure and update commands: the adapter is read and
// everything checked as for the command itself, and nothing is written.
#pragma once

#include "settings/boot_settings_record.h"

// "--dry-run" or "-n", as the last argument of the command.
bool is_dry_run_word(const char* argument);

// Shows on standard output what a save of record over on_flash (the record
// read from the adapter) would change, and ends the run with 0.
[[noreturn]] void finish_configure_dry_run(const boot_settings_record& on_flash, const boot_settings_record& record);
