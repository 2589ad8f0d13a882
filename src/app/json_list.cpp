// --list --json: every adapter with everything the list gathers, and beside
// each the ERROR lines printed while it was opened and read.
#include "app/json_commands.h"
#include "device/adapter_table.h"
#include "inventory/adapter_list.h"
#include "inventory/adapter_record_json.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct list_lines {
    output_capture capture;
    std::vector<std::string> errors[kMaxAdapters];
};

// Called after each adapter's open and after its record is built: what was
// printed since the step before is this adapter's.
void take_adapter_lines(std::uint8_t adapter, void* context) {
    auto* lines = static_cast<list_lines*>(context);
    take_captured_output(&lines->capture, &lines->errors[adapter]);
}

}  // namespace

void run_list_json(int /*argc*/, char** /*argv*/) {
    list_lines lines;
    begin_output_capture(&lines.capture);
    const int rc = build_adapter_list(take_adapter_lines, &lines);
    json_writer w;
    json_begin_document(&w);
    // An empty list is a true answer; one that could not be had is none.
    if (adapter_interface_list_failed()) {
        finish_json_document(&lines.capture, &w, -1);
    }
    if (rc == -1) {
        std::fputs("ERROR: Could not allocate the adapter list!\n", stderr);
        finish_json_document(&lines.capture, &w, -1);
    }
    json_name(&w, "adapters");
    json_begin_array(&w);
    for (const adapter_record* record = adapter_list_head(); record != nullptr; record = record->next) {
        json_adapter_record(&w, *record, lines.errors[record->adapter_index]);
    }
    json_end_array(&w);
    finish_json_document(&lines.capture, &w, 0);
}
