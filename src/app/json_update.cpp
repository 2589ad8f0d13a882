// --update N FILE [--force] [--dry-run] --json: the IDs the image was held
// against, how many sectors were compared, and which were written (or would
// be).
#include "app/adapter_selection.h"
#include "app/json_commands.h"
#include "app/update_adapter.h"

namespace {

void json_ids(json_writer* w, bool known, const pci_ids& ids) {
    if (!known) {
        json_null(w);
        return;
    }
    json_begin_object(w);
    json_name(w, "vendor_id"), json_hex_id(w, ids.vendor_id);
    json_name(w, "device_id"), json_hex_id(w, ids.device_id);
    json_end_object(w);
}

// The sectors flagged, in order.
void json_sectors(json_writer* w, const rom_sector_plan& plan, const bool* flagged) {
    json_begin_array(w);
    for (std::int32_t sector = 0; sector < plan.covered; ++sector) {
        if (flagged[sector]) {
            json_number(w, sector);
        }
    }
    json_end_array(w);
}

// A dry run knows what would change only when every sector was compared.
bool dry_run_complete(const update_run& run) {
    return run.report.accepted && run.report.plan.read_code == 0;
}

bool flash_changed(const update_run& run) {
    const rom_update_report& report = run.report;
    if (run.dry_run) {
        return dry_run_complete(run) && report.plan.differing > 0;
    }
    for (std::int32_t sector = 0; sector < report.plan.covered; ++sector) {
        if (report.erased[sector]) {
            return true;
        }
    }
    return false;
}

void json_update(json_writer* w, const update_run& run) {
    const rom_update_report& report = run.report;
    json_name(w, "dry_run"), json_bool(w, run.dry_run);
    json_name(w, "changed"), json_bool(w, flash_changed(run));
    // The IDs are there once the image's chain was walked to its IDs.
    if (report.accepted || report.ids.image_known || report.ids.adapter_known) {
        json_name(w, "image_ids"), json_ids(w, report.ids.image_known, report.ids.image);
        json_name(w, "adapter_ids"), json_ids(w, report.ids.adapter_known, report.ids.adapter);
    }
    if (!report.accepted) {
        return;
    }
    json_name(w, "sectors_compared"), json_number(w, report.plan.compared);
    if (!run.dry_run) {
        json_name(w, "sectors_written"), json_sectors(w, report.plan, report.erased);
    } else if (dry_run_complete(run)) {
        json_name(w, "sectors_to_write"), json_sectors(w, report.plan, report.plan.differs);
    }
}

}  // namespace

void run_update_json(int argc, char** argv) {
    output_capture capture;
    begin_output_capture(&capture);
    json_writer w;
    json_begin_document(&w);
    update_run run;
    run.dry_run = update_dry_run_asked(argc, argv);
    int status = -1;
    std::uint8_t adapter = 0;
    if (select_adapter(argv[2], &adapter) == 0) {
        // No progress line: its backspaces have no place in a document.
        status = update_status(update_adapter(adapter, argc, argv, nullptr, &run), run);
    }
    json_update(&w, run);
    finish_json_document(&capture, &w, status);
}
