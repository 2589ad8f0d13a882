// The dry runs of the configure and update commands: the adapter is read and
// everything checked as for the command itself, and nothing is written.
#pragma once

#include "settings/settings_compare.h"

#include <vector>

// "--dry-run" or "-n", as the last argument of the command.
bool is_dry_run_word(const char* argument);

// Shows on standard output what the configure's save would change, one line
// a change, and how many.
void print_configure_dry_run(const std::vector<settings_change>& changes);
