// The "option_rom" object of the JSON output, as the list and the display
// write it: whether the adapter's flash begins with an Option ROM, which
// header the ROM carries and the version its $DM$ header gives.
#pragma once

#include "optionrom/option_rom.h"
#include "platform/json_writer.h"

#include <cstdint>

// What the flash showed. A read that failed leaves the answer unknown,
// which the document says with null rather than with a guess.
enum class rom_state : std::uint8_t {
    unknown,         // the start of the flash could not be read
    absent,          // no Option ROM signature
    header_unknown,  // an Option ROM whose first 512 bytes could not be read
    no_dm_header,    // an Option ROM without a $DM$ header
    dm_header,       // an Option ROM with a $DM$ header
};

// {"present": bool or null, "version": "a.b.c" or null, "header": "$DM$",
// "$PXE" or null}. header is read only for rom_state::dm_header.
void json_option_rom(json_writer* w, rom_state state, const dm_header& header);
