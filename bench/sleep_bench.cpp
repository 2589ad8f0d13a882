// Measures how long the adapter transport's 1 ms and 10 ms sleeps really
// last, beside plain Sleep for comparison. A benchmark only: built on
// request, never shipped.
//   sleep_bench [ROUNDS]
#include "device/windows_sleep.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

struct sleep_times {
    double mean_ms;
    double min_ms;
    double max_ms;
};

template <typename SleepFunction>
sleep_times measure(SleepFunction sleep, std::uint32_t milliseconds, int rounds) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double ticks_per_ms = static_cast<double>(frequency.QuadPart) / 1000.0;
    sleep_times times = {0.0, 1e9, 0.0};
    for (int i = 0; i < rounds; ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        sleep(milliseconds);
        QueryPerformanceCounter(&end);
        const double elapsed = static_cast<double>(end.QuadPart - start.QuadPart) / ticks_per_ms;
        times.mean_ms += elapsed / rounds;
        times.min_ms = elapsed < times.min_ms ? elapsed : times.min_ms;
        times.max_ms = elapsed > times.max_ms ? elapsed : times.max_ms;
    }
    return times;
}

void report(const char* name, std::uint32_t milliseconds, const sleep_times& times) {
    std::printf("%-22s %3u ms: mean %7.3f ms  min %7.3f ms  max %7.3f ms\n", name, static_cast<unsigned>(milliseconds),
                times.mean_ms, times.min_ms, times.max_ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: sleep_bench [ROUNDS]\n");
        return 2;
    }
    std::printf("%d rounds each; transport sleep uses %s\n", rounds,
                windows_sleep_is_precise() ? "a high-resolution waitable timer" : "Sleep (flag refused)");
    for (const std::uint32_t milliseconds : {1u, 10u}) {
        report("Sleep", milliseconds, measure([](std::uint32_t ms) { Sleep(ms); }, milliseconds, rounds));
        report("transport sleep", milliseconds, measure(windows_sleep_ms, milliseconds, rounds));
    }
    return 0;
}
