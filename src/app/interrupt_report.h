// How a command ends once its writing is over: when an interrupt was held
// meanwhile, one line says what was completed and the run ends -1, for the
// operator asked to stop; otherwise the command's own status.
#pragma once

// completed: what the flash holds when the command succeeded; not_completed:
// when it failed (its own lines have said how). Both complete the sentence
// "Interrupted, ...; nothing more was done!".
[[noreturn]] void finish_writing_command(int rc, const char* completed, const char* not_completed);

// The same without ending the run: the line when an interrupt was held, and
// the status the run ends with.
int writing_command_status(int rc, const char* completed, const char* not_completed);

// The same with the whole line given, for what another ending says better.
[[noreturn]] void finish_interrupted_with(int rc, const char* interrupted_line);
