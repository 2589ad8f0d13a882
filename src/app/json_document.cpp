// What every JSON document holds besides its command's answer.
#include "app/exit_program.h"
#include "app/json_commands.h"
#include "app/usage.h"

#include <cstdio>

namespace {

// The major number changes only when a field's meaning or type changes, the
// minor number when fields are added: a reader written for 1.0 reads 1.x.
constexpr int kJsonFormatMajor = 1;
constexpr int kJsonFormatMinor = 0;

}  // namespace

void json_begin_document(json_writer* w) {
    json_begin_object(w);
    json_name(w, "json_format_version");
    json_begin_array(w);
    json_number(w, kJsonFormatMajor);
    json_number(w, kJsonFormatMinor);
    json_end_array(w);
    json_name(w, "utility");
    json_begin_object(w);
    json_name(w, "name"), json_text(w, "hbabootcfg");
    json_name(w, "version"), json_text(w, kUtilityVersion);
    json_end_object(w);
}

void finish_json_document(output_capture* capture, json_writer* w, int status, bool status_is_answer) {
    end_output_capture(capture);
    if (status != 0 && !status_is_answer) {
        json_name(w, "error"), json_text(w, capture_failure_text(*capture));
    }
    json_end_object(w);
    const std::string document = json_finish(*w);
    std::fwrite(document.data(), 1, document.size(), stdout);
    exit_program(status);
}
