// The one-line progress display of the long flash operations: the update,
// the backup, the restore and the verify all show the same line, a
// percentage overwritten in place while the flash is read or programmed.
#pragma once

#include <cstdint>

// How far a long operation has come: report is called with the bytes done
// so far and the total. Whoever runs the operation decides whether and how
// it is shown; a null progress reports nothing.
struct progress_report {
    void (*report)(void* context, std::uint32_t done, std::uint32_t total);
    void* context;
};

// The percentage written after the pieces so far: the done fraction in single
// precision, times 100, rounded to single precision again. These two roundings
// decide the last digit shown, so they are kept exactly.
float progress_percent(std::uint32_t size, std::uint32_t remaining);

// Overwrites the previous six-character percentage in place and flushes, so
// the line moves while the flash is being programmed.
void print_progress_percent(float percent);

// The progress line as a long operation reports it: the percentage of total
// with done bytes done, printed as above.
void report_progress_line(void* context, std::uint32_t done, std::uint32_t total);

// Ends the line. A complete operation backs up over "%" and the blank before
// it, so "100.00" stays standing as the line's last word; one that stopped
// short leaves the percentage it reached. Does not flush.
void end_progress_line(bool complete);

inline constexpr progress_report kProgressLine = {report_progress_line, nullptr};
