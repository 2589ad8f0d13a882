// The commands' JSON forms. Each ends the run through exit_program, with one
// JSON document on standard output and the status of the command's text
// form.
#pragma once

#include "app/output_capture.h"
#include "platform/json_writer.h"

// "{", "json_format_version" and "utility": how every document begins.
void json_begin_document(json_writer* w);

// Ends the capture, adds "error" when status is not 0, closes the document,
// writes it on standard output and ends the run with status.
[[noreturn]] void finish_json_document(output_capture* capture, json_writer* w, int status);

// --list --json: every adapter with everything the list gathers.
[[noreturn]] void run_list_json();

// --display N --json: the adapter's Option ROM and its settings.
[[noreturn]] void run_display_json(const char* index_argument);
