// The update command's work, apart from how it is told: the text form ends
// with the lines the update printed, the JSON form writes what it found and
// did as a document.
#pragma once

#include "optionrom/rom_update.h"
#include "platform/progress_line.h"

#include <cstdint>

struct update_run {
    bool dry_run = false;  // --dry-run (-n) last (or in place of --force): nothing is written
    bool writes = false;   // a write was set out on: a file given, no dry run
    rom_update_report report{};
};

// Whether the command line asks for a dry run: --dry-run (-n) last, after
// the file and any --force, or in place of --force.
bool update_dry_run_asked(int argc, char** argv);

// Runs the update or its dry run as the command line asks (argv[3] the
// image file, then --force, then a dry-run word), with progress shown while
// the image is programmed (null: none). 0, kRomImageUnchanged, or -1 after
// the line that says why.
int update_adapter(std::uint8_t adapter, int argc, char** argv, const progress_report* progress, update_run* run);

// The status the run ends with: after a write, -1 with the line that says so
// when an interrupt was held meanwhile.
int update_status(int rc, const update_run& run);
