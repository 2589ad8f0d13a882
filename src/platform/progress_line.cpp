#include "platform/progress_line.h"

#include <cstdio>

float progress_percent(std::uint32_t size, std::uint32_t remaining) {
    const float fraction = static_cast<float>(static_cast<double>(size - remaining) / static_cast<double>(size));
    return static_cast<float>(static_cast<double>(fraction) * 100.0);
}

// Each print backs up over the six characters of the one before and writes
// six again: below ten percent a leading space keeps the width. The first
// print stands at the start of a fresh line, where the backspaces do nothing;
// 100.00% is the one print of seven characters.
void print_progress_percent(float percent) {
    if (percent < 10.0f) {
        std::printf("\b\b\b\b\b\b %02.02f%%", static_cast<double>(percent));
    } else {
        std::printf("\b\b\b\b\b\b%02.02f%%", static_cast<double>(percent));
    }
    std::fflush(stdout);
}

void report_progress_line(void* /*context*/, std::uint32_t done, std::uint32_t total) {
    print_progress_percent(progress_percent(total, total - done));
}

void end_progress_line(bool complete) {
    std::fputs(complete ? "\b\b\n" : "\n", stdout);
}
