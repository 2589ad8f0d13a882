// How a refused value is reported: one line on standard error, and -1 for the
// caller to hand back unchanged.
#pragma once

// Prints message (a whole line) on standard error and returns -1.
int refuse(const char* message);

// Prints format with its one %s filled by text, and returns -1.
int refuse_with(const char* format, const char* text);
