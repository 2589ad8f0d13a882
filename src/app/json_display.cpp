// --display N --json: the adapter's Option ROM and its settings, or why
// there are none to show.
#include "app/adapter_selection.h"
#include "app/json_commands.h"
#include "optionrom/option_rom.h"
#include "optionrom/option_rom_json.h"
#include "optionrom/option_rom_signature.h"
#include "settings/settings_json.h"
#include "settings/settings_storage.h"

#include <cstring>

namespace {

// The first 512 bytes of the flash, as the list reads them for the header.
// The text display reads only the first word: it shows no version.
rom_state read_rom_state(std::uint8_t adapter, dm_header* header) {
    std::uint8_t rom_start[kDmHeaderSearchSize];
    if (read_option_rom_start(adapter, rom_start) != 0) {
        return rom_state::unknown;
    }
    if (!has_option_rom_signature(rom_start)) {
        return rom_state::absent;
    }
    return find_dm_header(rom_start, header) == 0 ? rom_state::dm_header : rom_state::no_dm_header;
}

// A record without the magic is an erased or foreign sector: the text
// display renders its bytes anyway, the document does not pass them off as
// settings.
const char* settings_state(const boot_settings_record& record) {
    if (!has_settings_magic(record)) {
        return "absent";
    }
    return is_version_1_0(record) ? "version_1_0" : "valid";
}

void json_no_settings(json_writer* w, const char* state) {
    json_name(w, "settings"), json_null(w);
    json_name(w, "settings_state"), json_text(w, state);
}

}  // namespace

void run_display_json(int /*argc*/, char** argv) {
    output_capture capture;
    begin_output_capture(&capture);
    json_writer w;
    json_begin_document(&w);
    std::uint8_t adapter = 0;
    if (select_adapter(argv[2], &adapter) != 0) {
        finish_json_document(&capture, &w, -1);
    }
    dm_header header{};
    const rom_state rom = read_rom_state(adapter, &header);
    if (rom == rom_state::unknown) {
        finish_json_document(&capture, &w, -1);
    }
    json_name(&w, "adapter");
    json_begin_object(&w);
    json_name(&w, "index"), json_number(&w, adapter);
    json_name(&w, "option_rom"), json_option_rom(&w, rom, header);
    json_end_object(&w);
    // Without an Option ROM the settings sector means nothing to anyone.
    if (rom == rom_state::absent) {
        json_no_settings(&w, "no_option_rom");
        finish_json_document(&capture, &w, 0);
    }
    settings_buffer buffer{};
    if (read_settings(adapter, &buffer, false) != 0) {
        json_no_settings(&w, "unreadable");
        finish_json_document(&capture, &w, -1);
    }
    const char* state = settings_state(buffer.record);
    if (std::strcmp(state, "valid") == 0) {
        json_name(&w, "settings"), json_settings(&w, buffer.record);
        json_name(&w, "settings_state"), json_text(&w, state);
    } else {
        json_no_settings(&w, state);
    }
    finish_json_document(&capture, &w, 0);
}
