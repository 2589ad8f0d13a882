// The verify command's work, apart from how it is told.
#pragma once

#include "platform/progress_line.h"
#include "verify/verify_adapter.h"

#include <cstdint>

// Compares the adapter's flash with the file argv[3] names, progress shown
// while the Option ROM region is read (null: none). 0 when everything
// compared is equal; -1 when something differs (result says what) or after
// the line of a failure.
int verify_from_command_line(std::uint8_t adapter, int argc, char** argv, const progress_report* progress,
                             verify_result* result);
