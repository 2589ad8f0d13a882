#include "optionrom/option_rom_json.h"

#include <string>

void json_option_rom(json_writer* w, rom_state state, const dm_header& header) {
    json_begin_object(w);
    json_name(w, "present");
    if (state == rom_state::unknown) {
        json_null(w);
    } else {
        json_bool(w, state != rom_state::absent);
    }
    json_name(w, "version");
    if (state == rom_state::dm_header) {
        const std::uint16_t third = header.third;  // a copy, not a misaligned reference
        json_text(w, std::to_string(header.major) + "." + std::to_string(header.minor) + "." + std::to_string(third));
    } else {
        json_null(w);
    }
    // An Option ROM without this firmware's $DM$ header is plain PXE boot
    // code as far as the utility can tell.
    json_name(w, "header");
    if (state == rom_state::dm_header) {
        json_text(w, "$DM$");
    } else if (state == rom_state::no_dm_header) {
        json_text(w, "$PXE");
    } else {
        json_null(w);
    }
    json_end_object(w);
}
