#include "app/interrupt_report.h"

#include "app/exit_program.h"
#include "platform/interrupt_hold.h"

#include <cstdio>

int writing_command_status(int rc, const char* completed, const char* not_completed) {
    if (interrupt_was_held()) {
        std::fflush(stdout);  // the command's own lines come first
        std::fprintf(stderr, "ERROR: Interrupted, %s; nothing more was done!\n", rc == 0 ? completed : not_completed);
        return -1;
    }
    return rc == 0 ? 0 : -1;
}

void finish_writing_command(int rc, const char* completed, const char* not_completed) {
    exit_program(writing_command_status(rc, completed, not_completed));
}

void finish_interrupted_with(int rc, const char* interrupted_line) {
    if (interrupt_was_held()) {
        std::fflush(stdout);
        std::fputs(interrupted_line, stderr);
        exit_program(-1);
    }
    exit_program(rc == 0 ? 0 : -1);
}
