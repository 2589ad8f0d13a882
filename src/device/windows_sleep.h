// Sleeping on Windows for the milliseconds asked for.
//
// Sleep rounds every wait up to the system timer tick, about 15.6 ms unless
// some process has raised the timer resolution. The flash polls wait 1 ms
// after each page program and 10 ms between controller polls: at tick
// granularity a 0x30000-byte update spends some 12 s in its 768 page polls
// instead of under one.
#pragma once

#include <cstdint>

// Waits at least milliseconds, and not a timer tick more where the system
// offers high-resolution waitable timers (Windows 10 1803 and later);
// elsewhere it is Sleep. Leaves the thread's last-error value as it was.
void windows_sleep_ms(std::uint32_t milliseconds);

// True when windows_sleep_ms waits on a high-resolution timer, false when it
// falls back to Sleep.
bool windows_sleep_is_precise();
