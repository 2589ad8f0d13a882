// --verify N FILE --json: what kind of file the flash was compared with, and
// how much of it differs. A flash that differs is the command's answer, not
// a failure: the status is -1 as in the text form, and there is no "error".
#include "app/adapter_selection.h"
#include "app/json_commands.h"
#include "app/verify_command.h"

namespace {

void json_verify(json_writer* w, const verify_result& result) {
    if (result.kind == verify_file_kind::unknown) {
        return;
    }
    json_name(w, "file_kind"), json_text(w, result.kind == verify_file_kind::image ? "image" : "backup");
    if (!result.compared) {
        return;
    }
    const bool equal = result.rom_differing == 0 && result.settings_differing == 0;
    json_name(w, "equal"), json_bool(w, equal);
    json_name(w, "compared_bytes"), json_number(w, result.compared_bytes);
    json_name(w, "first_difference");
    equal ? json_null(w) : json_number(w, result.first_difference);
    json_name(w, "differing_bytes"), json_begin_object(w);
    json_name(w, "option_rom"), json_number(w, result.rom_differing);
    // An image holds no settings to compare.
    json_name(w, "settings");
    result.kind == verify_file_kind::backup ? json_number(w, result.settings_differing) : json_null(w);
    json_end_object(w);
}

}  // namespace

void run_verify_json(int argc, char** argv) {
    output_capture capture;
    begin_output_capture(&capture);
    json_writer w;
    json_begin_document(&w);
    verify_result result{};
    int status = -1;
    std::uint8_t adapter = 0;
    if (select_adapter(argv[2], &adapter) == 0) {
        // No progress line: its backspaces have no place in a document.
        status = verify_from_command_line(adapter, argc, argv, nullptr, &result);
    }
    json_verify(&w, result);
    finish_json_document(&capture, &w, status, result.compared);
}
