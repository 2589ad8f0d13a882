// How a refused value is reported: one line on standard error, and -1 for the
// caller to hand back unchanged.
#pragma once

#include <string>

// Prints message (a whole line) on standard error and returns -1.
int refuse(const char* message);

// Prints format with its one %s filled by text, and returns -1.
int refuse_with(const char* format, const char* text);

// Where the text now being judged came from. A line of a settings file is
// no operator's typing: it may hold escape sequences or binary bytes that
// would clear or garble the terminal, or be a whole image on one line. While
// an origin is set, every refusal line names the file and the line, and the
// text it shows is made safe (shown_text). file null: the command line,
// whose text is shown as typed.
void set_refusal_origin(const char* file, int line);

// Bytes outside printable ASCII as \xNN, and at most 60 characters of the
// text, then "...".
std::string shown_text(const char* text);
