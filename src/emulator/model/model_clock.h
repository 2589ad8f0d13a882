// The clock the model's busy times are measured on. A real part stays busy
// for real time after a program or an erase, and so does the model by
// default: the timed faults (program-time-us, erase-time-ms) hold
// write-in-progress for that long on the steady clock, and the driver's
// sleeps between polls really sleep.
//
// The model clock is a choice for tests and scripted runs that want a slow
// flash without waiting for it: time is a counter that only the driver's
// sleeps move on, so a stuck erase polled four times 500 ms apart costs no
// waiting, and the part finishes after exactly the same polls as it would in
// real time with instant requests. The clock is process-wide, like the
// driver it stands in for; choose it before an adapter is opened.
#pragma once

#include <chrono>
#include <cstdint>

enum class emulator_clock { real, model };

// The clock in use; real until one is chosen.
emulator_clock emulator_clock_in_use();
// Whether a clock was chosen in this process (by the emulator transport from
// HBAEMU_CLOCK, or by a test in process).
bool emulator_clock_chosen();
void emulator_clock_choose(emulator_clock clock);

// Now on the clock in use: the steady clock's time, or the model time.
std::chrono::microseconds emulator_clock_now();
// The driver's sleep: sleeps on the real clock, moves the model time on by
// as much on the model clock.
void emulator_clock_sleep_ms(std::uint32_t milliseconds);

// The clock named by the text of HBAEMU_CLOCK: "model", or "real" (also when
// empty or unset). false for any other text.
bool emulator_clock_from_name(const char* name, emulator_clock* clock);
