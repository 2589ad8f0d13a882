// The output of a run that answers with one JSON document. Standard output
// must hold the document alone, yet the layers below print their lines as
// they work, some of them on standard output ("CreateFile failed: 0x5", the
// empty line after each VPD read). While such a run works, both streams are
// caught in a temporary file; at each step what was caught is handed on to
// the real standard error and its ERROR lines are kept for the document.
#pragma once

#include <string>
#include <vector>

struct output_capture {
    int real_stdout = -1;    // the process's standard output, put aside
    int real_stderr = -1;    // the process's standard error, put aside
    int file = -1;           // the temporary file both streams now write to
    long handed_on = 0;      // bytes of the file already handed on
    std::string last_error;  // the text of the last ERROR line caught
    std::string last_line;   // the last line caught that is not empty
};

// Sends standard output and standard error to a new temporary file. Call it
// before anything is written to standard output. Without a temporary file
// standard output goes to standard error directly and nothing is caught.
void begin_output_capture(output_capture* capture);

// Hands on to the real standard error what was printed since the last call,
// without its empty lines and with a line left open ended, and appends the
// texts of its ERROR lines (without "ERROR: " and the newline) to *errors
// when errors is given.
void take_captured_output(output_capture* capture, std::vector<std::string>* errors);

// Takes what is left and gives both streams back.
void end_output_capture(output_capture* capture);

// Why a run failed, for the document's "error": the last ERROR line's text,
// else the last line printed, else a text saying there was none.
std::string capture_failure_text(const output_capture& capture);

// A temporary file open for reading and writing, removed when the last
// descriptor of it is closed; -1 when none can be had.
int open_capture_file();
