// The interrupt signals are blocked over a stretch; one that arrives then
// stays pending and is taken with sigtimedwait before the old mask comes
// back, so that its default action (ending the process) never runs.
#include "platform/interrupt_hold.h"

#include <csignal>
#include <ctime>

namespace {

// Ctrl+C, a closed terminal or session, a service manager's stop, Ctrl+\.
constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

int g_depth = 0;
bool g_held = false;
sigset_t g_previous_mask;
sigset_t g_held_set;

// A signal the process was started to ignore (nohup ignores SIGHUP, a shell
// SIGINT for a background job) ends nothing and is left alone: blocked, it
// would be kept pending and taken for an interrupt.
sigset_t held_signal_set() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : kHeldSignals) {
        struct sigaction current {};
        if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            continue;
        }
        sigaddset(&set, signal_number);
    }
    return set;
}

}  // namespace

void interrupt_hold_begin() {
    if (g_depth++ > 0) {
        return;
    }
    g_held_set = held_signal_set();
    sigprocmask(SIG_BLOCK, &g_held_set, &g_previous_mask);
}

void interrupt_hold_end() {
    if (g_depth == 0 || --g_depth > 0) {
        return;
    }
    const timespec no_wait = {0, 0};
    // Every pending one, not just the first: SIGINT then SIGTERM must not
    // let the second end the process once the mask is lifted.
    while (sigtimedwait(&g_held_set, nullptr, &no_wait) > 0) {
        g_held = true;
    }
    sigprocmask(SIG_SETMASK, &g_previous_mask, nullptr);
}

bool interrupt_was_held() {
    return g_held;
}
