// The commands' JSON forms. Each takes the command line without the --json
// that ends it and ends the run through exit_program, with one JSON document
// on standard output and the status of the command's text form.
#pragma once

#include "app/output_capture.h"
#include "platform/json_writer.h"

// "{", "json_format_version" and "utility": how every document begins.
void json_begin_document(json_writer* w);

// Ends the capture, adds "error" when status is not 0 (unless the status is
// the command's answer itself: a verify that found the flash different),
// closes the document, writes it on standard output and ends the run with
// status.
[[noreturn]] void finish_json_document(output_capture* capture, json_writer* w, int status,
                                       bool status_is_answer = false);

// --list --json: every adapter with everything the list gathers.
[[noreturn]] void run_list_json(int argc, char** argv);

// --display N --json: the adapter's Option ROM and its settings.
[[noreturn]] void run_display_json(int argc, char** argv);

// --verify N FILE --json: what was compared and how much differs.
[[noreturn]] void run_verify_json(int argc, char** argv);

// --configure N ... [--dry-run] --json: what the settings change.
[[noreturn]] void run_configure_json(int argc, char** argv);

// --update N FILE [--force] [--dry-run] --json: the sectors the image changes.
[[noreturn]] void run_update_json(int argc, char** argv);
