// The refusal a settings table row carries: its message, with its one %s
// filled by the name as typed or by the value, as the row says. Every kind of
// setting refuses through it, so it sits below them all.
#pragma once

#include "settings/setting_table.h"

// Prints the row's refusal line on standard error and returns -1.
int refuse_by_row(const setting_row& row, const char* name, const char* value);
