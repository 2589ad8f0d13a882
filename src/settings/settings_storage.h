// Moving the boot settings record between the settings sector and memory.
#pragma once

#include "settings/boot_settings_record.h"

#include <cstdint>

// What every reader of the record says when the flash will not give it.
inline constexpr const char* kSettingsUnreadableLine = "ERROR: Could not read settings data!\n";

// The command that puts a backup's settings back on this adapter, quoted, for
// every line that tells an operator how to recover them.
const char* settings_restore_command(std::uint8_t adapter);

// Reads the 444-byte record from flash offset 0x30000 into buffer (print:
// show it too). 0, or -1 after "ERROR: Could not read settings data!".
int read_settings(std::uint8_t adapter, settings_buffer* buffer, bool print);

// Where a save that failed left the record the flash held before it, as its
// last line tells the operator.
enum class previous_settings_state : std::uint8_t {
    in_place,     // the erase never reached the record: it reads back whole
    restored,     // written again after a failed page or read-back, and read back
    may_be_lost,  // neither: a backup brings it back
};

// Erases the settings sector and writes the 448 bytes of buffer back, after
// fixing up magic, flag and length, then reads the record back. When a page
// fails or the record reads back otherwise, previous (the record as the
// caller read it from this adapter; null: none) is put back. 0, or the
// failing flash operation's code (-4: the record read back differs); after a
// failure *left (when given) says where the previous record is.
int save_settings(std::uint8_t adapter, settings_buffer* buffer, const boot_settings_record* previous,
                  previous_settings_state* left = nullptr);

// The same save with the 448 bytes exactly as given (no fix-up): how a
// backup's record is put back byte for byte.
int write_settings_record(std::uint8_t adapter, settings_buffer* buffer, const boot_settings_record* previous);

// Erases the settings sector. 0, or the erase's code; prints nothing itself.
int erase_settings(std::uint8_t adapter);
