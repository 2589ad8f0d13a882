#include "vpd_bench.h"

#include "device/adapter_table.h"

#include <cstdlib>

namespace {

constexpr const char* kAdapter = "a0";
constexpr std::uint32_t kVpdFlag = 0x80000000u;
constexpr std::uint32_t kVpdDataRegister = 4;

}  // namespace

vpd_bench::vpd_bench() {
    setenv("HBAEMU_DIR", box_.root().c_str(), 1);
    unsetenv("HBAEMU_TRACE");
    emulator_.before = [this](interposed_request& r) { return before(r); };
    emulator_.after_read = [this](interposed_request& r) {
        // The read recorded in before() gets the value the caller sees.
        if (r.kind == interposed_kind::config_read && vpd_at != 0 && r.offset == vpd_at &&
            script.stuck_from_read != 0 && vpd_reads_started >= script.stuck_from_read) {
            r.value &= ~kVpdFlag;
        }
        requests.back().value = r.value;
    };
    emulator_.on_sleep = [this](std::uint32_t ms) { requests.push_back(sleep_of(ms)); };
}

vpd_bench::~vpd_bench() {
    close_adapter_handles();
    unsetenv("HBAEMU_DIR");
}

int vpd_bench::open() {
    close_adapter_handles();
    adapter.write_to(box_, kAdapter);
    const int found = enumerate_adapters();
    vpd_reads_started = 0;
    clear_log();
    return found;
}

void vpd_bench::clear_log() {
    requests.clear();
}

interposer_action vpd_bench::before(interposed_request& r) {
    const bool read = r.kind == interposed_kind::config_read;
    const bool write = r.kind == interposed_kind::config_write;
    if (!read && !write) {
        return interposer_action::forward;
    }
    const recorded_kind kind = read ? recorded_kind::config_read : recorded_kind::config_write;
    const bool data_register = vpd_at != 0 && r.offset == vpd_at + kVpdDataRegister;
    if (read && (script.failing_config_reads.count(r.offset) != 0 ||
                 (data_register && script.failing_data_reads.count(vpd_reads_started) != 0))) {
        emulator_.fail_error = kErrorGenFailure;
        requests.push_back({kind, 0, r.offset, 0, kErrorGenFailure});
        return interposer_action::fail;
    }
    // A read is recorded here, in its place, and takes its value once read;
    // one the emulator refuses keeps 0.
    requests.push_back({kind, 0, r.offset, read ? 0 : r.value, 0});
    if (write && vpd_at != 0 && r.offset == vpd_at && (r.value & kVpdFlag) == 0) {
        ++vpd_reads_started;
    }
    if (write && data_register && script.data_register_drops_writes) {
        return interposer_action::answer;
    }
    return interposer_action::forward;
}
