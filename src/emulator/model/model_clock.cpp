#include "emulator/model/model_clock.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace {

// 0: nothing chosen (real time), 1: real, 2: model.
std::atomic<int> g_clock_choice{0};
std::atomic<std::int64_t> g_model_time_us{0};

}  // namespace

emulator_clock emulator_clock_in_use() {
    return g_clock_choice.load() == 2 ? emulator_clock::model : emulator_clock::real;
}

bool emulator_clock_chosen() {
    return g_clock_choice.load() != 0;
}

void emulator_clock_choose(emulator_clock clock) {
    g_clock_choice.store(clock == emulator_clock::model ? 2 : 1);
}

std::chrono::microseconds emulator_clock_now() {
    if (emulator_clock_in_use() == emulator_clock::model) {
        return std::chrono::microseconds(g_model_time_us.load());
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

void emulator_clock_sleep_ms(std::uint32_t milliseconds) {
    if (emulator_clock_in_use() == emulator_clock::model) {
        g_model_time_us.fetch_add(static_cast<std::int64_t>(milliseconds) * 1000);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool emulator_clock_from_name(const char* name, emulator_clock* clock) {
    if (name == nullptr || name[0] == '\0' || std::strcmp(name, "real") == 0) {
        *clock = emulator_clock::real;
        return true;
    }
    if (std::strcmp(name, "model") == 0) {
        *clock = emulator_clock::model;
        return true;
    }
    return false;
}
