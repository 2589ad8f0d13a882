// A high-resolution waitable timer expires when it is due rather than at the
// next timer tick, without raising the timer resolution of the whole system
// (timeBeginPeriod would, and needs winmm besides). Systems before Windows 10
// 1803 refuse the flag with ERROR_INVALID_PARAMETER; there the wait is Sleep,
// as it always was.
#include "device/windows_sleep.h"

#include <windows.h>

// Older SDK headers lack the flag.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

// One timer for the whole run, made on first use: the program has one
// thread, and the system closes the handle when the process ends. Null when
// the flag is refused.
HANDLE precise_timer() {
    static const HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    return timer;
}

// A relative due time, negative, in 100 ns units.
bool wait_on_timer(HANDLE timer, std::uint32_t milliseconds) {
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
    return SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) != FALSE &&
           WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0;
}

}  // namespace

bool windows_sleep_is_precise() {
    const DWORD saved_error = GetLastError();
    const bool precise = precise_timer() != nullptr;
    SetLastError(saved_error);
    return precise;
}

void windows_sleep_ms(std::uint32_t milliseconds) {
    // Sleep leaves the thread's last-error value alone, and so must this: a
    // wait between a failed request and the reading of its error number must
    // not change the number reported.
    const DWORD saved_error = GetLastError();
    HANDLE timer = precise_timer();
    // Sleep(0) only yields the processor; a failed timer wait falls back to
    // Sleep, which may make this wait longer but never shorter.
    if (milliseconds == 0 || timer == nullptr || !wait_on_timer(timer, milliseconds)) {
        Sleep(milliseconds);
    }
    SetLastError(saved_error);
}
