// The configure command's work, apart from how it is told: the text form
// prints its lines from what this finds and does, the JSON form writes the
// same as a document.
#pragma once

#include "settings/boot_settings_record.h"
#include "settings/settings_compare.h"
#include "settings/settings_storage.h"

#include <cstdint>
#include <vector>

struct configure_report {
    bool dry_run = false;                  // --dry-run (-n) ended the command line: nothing is saved
    bool compared = false;                 // every setting was accepted: changes holds what the save changes
    std::vector<settings_change> changes;  // in the export's order; empty: the save would write nothing new
    bool saved = false;                    // a save ran
    int save_code = 0;                     // its result: 0, or the failing flash operation's code
    previous_settings_state previous = previous_settings_state::in_place;  // after a failed save
};

// Reads the record of the adapter, applies the setting arguments of the
// command line (argv[3] on, each @FILE replaced by its lines, a dry-run word
// last) to it in order, and saves it when every one was accepted, it would
// change the flash and no dry run was asked for. 0, or -1 after the line of
// a refusal or of a failed save.
int configure_adapter(std::uint8_t adapter, int argc, char** argv, settings_buffer* buffer, configure_report* report);

// The status the run ends with: after a save, -1 with the line that says so
// when an interrupt was held meanwhile.
int configure_status(int rc, const configure_report& report);
