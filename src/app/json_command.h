// The JSON form of a command: --json as the last argument, and standard
// output holds one JSON document and nothing else.
#pragma once

// Whether any argument is --json. Such a run is the JSON form of a command,
// or a command line not understood.
bool json_requested(int argc, char** argv);

// Runs the command whose command line ends in --json; a command that has no
// JSON form, or --json anywhere but last, is refused with the usage text.
[[noreturn]] void run_json_command(int argc, char** argv);
