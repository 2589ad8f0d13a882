// A console control handler, installed with the first stretch. Within a
// stretch it takes Ctrl+C and Ctrl+Break and remembers them; when the console
// is closed (or the session ends) it waits for the stretch to finish, within
// the five seconds or so that Windows gives a handler before it ends the
// process anyway. Outside a stretch it passes every event on, so that the
// default handler ends the process as it always did.
#include "platform/interrupt_hold.h"

#include <windows.h>

namespace {

// The handler runs on a thread of its own, hence the interlocked access.
volatile LONG g_depth = 0;
volatile LONG g_held = 0;
bool g_installed = false;

// Under the time Windows allows a handler for a closed console.
constexpr DWORD kCloseWaitMs = 4500;
constexpr DWORD kCloseWaitStepMs = 10;

bool in_stretch() {
    return InterlockedCompareExchange(&g_depth, 0, 0) > 0;
}

BOOL WINAPI hold_console_event(DWORD event) {
    if (!in_stretch()) {
        return FALSE;
    }
    InterlockedExchange(&g_held, 1);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // The process ends when this returns: let the flash become consistent
    // first.
    for (DWORD waited = 0; waited < kCloseWaitMs && in_stretch(); waited += kCloseWaitStepMs) {
        Sleep(kCloseWaitStepMs);
    }
    return FALSE;
}

}  // namespace

void interrupt_hold_begin() {
    if (!g_installed) {
        g_installed = SetConsoleCtrlHandler(hold_console_event, TRUE) != 0;
    }
    InterlockedIncrement(&g_depth);
}

void interrupt_hold_end() {
    if (in_stretch()) {
        InterlockedDecrement(&g_depth);
    }
}

bool interrupt_was_held() {
    return InterlockedCompareExchange(&g_held, 0, 0) != 0;
}
