// --configure N ... [--dry-run] --json: what the settings change (or would),
// setting by setting as the dry run shows it, and after a failed save where
// the previous settings are.
#include "app/adapter_selection.h"
#include "app/configure_adapter.h"
#include "app/dry_run.h"
#include "app/json_commands.h"

namespace {

// What the flash was left with: a dry run changes nothing, a save that
// failed changed it unless the previous record stayed or was put back.
bool flash_changed(const configure_report& report) {
    if (report.dry_run) {
        return report.compared && !report.changes.empty();
    }
    return report.saved && (report.save_code == 0 || report.previous == previous_settings_state::may_be_lost);
}

// A value the export writes as nothing (a name cleared, a portal deleted)
// is null.
void json_export_text(json_writer* w, const std::string& text) {
    text.empty() ? json_null(w) : json_text(w, text);
}

// As the dry run's line: "from" and "to" where it shows "old -> new",
// otherwise "change" with the word it shows instead of values.
void json_change(json_writer* w, const settings_change& change) {
    json_begin_object(w);
    json_name(w, "setting"), json_text(w, change.name);
    switch (change.kind) {
        case settings_change_kind::values:
            json_name(w, "from"), json_export_text(w, change.before);
            json_name(w, "to"), json_export_text(w, change.after);
            break;
        case settings_change_kind::secret: json_name(w, "change"), json_text(w, "changed"); break;
        case settings_change_kind::rewritten: json_name(w, "change"), json_text(w, "rewritten"); break;
    }
    json_end_object(w);
}

const char* previous_settings_text(previous_settings_state state) {
    switch (state) {
        case previous_settings_state::in_place: return "in_place";
        case previous_settings_state::restored: return "restored";
        case previous_settings_state::may_be_lost: return "may_be_lost";
    }
    return "may_be_lost";
}

}  // namespace

void run_configure_json(int argc, char** argv) {
    output_capture capture;
    begin_output_capture(&capture);
    json_writer w;
    json_begin_document(&w);
    configure_report report;
    report.dry_run = is_dry_run_word(argv[argc - 1]);
    int status = -1;
    std::uint8_t adapter = 0;
    if (select_adapter(argv[2], &adapter) == 0) {
        settings_buffer buffer{};
        status = configure_status(configure_adapter(adapter, argc, argv, &buffer, &report), report);
    }
    json_name(&w, "dry_run"), json_bool(&w, report.dry_run);
    json_name(&w, "changed"), json_bool(&w, flash_changed(report));
    if (report.compared) {
        json_name(&w, "changes"), json_begin_array(&w);
        for (const settings_change& change : report.changes) {
            json_change(&w, change);
        }
        json_end_array(&w);
    }
    if (report.saved && report.save_code != 0) {
        json_name(&w, "previous_settings"), json_text(&w, previous_settings_text(report.previous));
    }
    finish_json_document(&capture, &w, status);
}
