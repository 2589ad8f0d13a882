// Holding an interrupt while the flash is being changed. A sector that is
// erased but not yet programmed holds neither the old contents nor the new,
// so Ctrl+C, a dropped session (hangup) or a service manager's stop must not
// end the process in between: over such a stretch the interrupt is held and
// remembered, and the command stops once the flash is consistent again.
// Outside the stretches an interrupt ends the process as it always did.
// Nothing can hold SIGKILL or a power loss.
#pragma once

// Begins a stretch in which the flash is erased, programmed or read back.
// Stretches nest; only the outermost begins and ends the hold.
void interrupt_hold_begin();

// Ends the stretch. An interrupt that arrived during the outermost one is
// taken here, so that it does not end the process, and remembered.
void interrupt_hold_end();

// Whether an interrupt was held during a stretch of this run: the command
// then writes nothing more.
bool interrupt_was_held();

// A stretch as a scope: the hold begins with the guard and ends when the
// scope is left, by whichever return, so no path can leave it held.
struct interrupt_hold_scope {
    interrupt_hold_scope() { interrupt_hold_begin(); }
    ~interrupt_hold_scope() { interrupt_hold_end(); }
    interrupt_hold_scope(const interrupt_hold_scope&) = delete;
    interrupt_hold_scope& operator=(const interrupt_hold_scope&) = delete;
};
