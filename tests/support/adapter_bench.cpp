#include "support/adapter_bench.h"

#include "device/driver_requests.h"
#include "emulator/model/model_clock.h"
#include "emulator/transport/control_code_requests.h"

#include <cstring>

namespace {

constexpr const char* kAdapter = "adapter00";
constexpr std::uint32_t kVpdFlag = 0x80000000u;
constexpr std::uint32_t kVpdDataRegister = 4;

bool same_power_on(const bench_setup& a, const bench_setup& b) {
    return a.flash == b.flash && a.config == b.config && a.vpd == b.vpd && a.faults == b.faults &&
           a.write_enabled == b.write_enabled;
}

using kind = traced_request;

bool is_read(const adapter_bench::request& r) {
    return r.kind == kind::register_read || r.kind == kind::config_read;
}

recorded_kind recorded_kind_of(kind k) {
    switch (k) {
        case kind::register_read: return recorded_kind::register_read;
        case kind::register_write: return recorded_kind::register_write;
        case kind::config_read: return recorded_kind::config_read;
        case kind::config_write: return recorded_kind::config_write;
    }
    return recorded_kind::register_read;
}

// Commands with this opcode that ended right after a write enable: the ones
// the flash carries out.
int enabled_commands(const std::vector<flash_command>& commands, std::uint8_t opcode) {
    int n = 0;
    bool after_write_enable = false;
    for (const flash_command& c : commands) {
        n += after_write_enable && c.ended && c.opcode() == opcode ? 1 : 0;
        after_write_enable = c.ended && c.sent.size() == 1 && c.opcode() == flash_wire::kWriteEnable;
    }
    return n;
}

}  // namespace

namespace {

adapter_bench* g_bench = nullptr;
// Whether the last request was failed here rather than by the emulator,
// whose error number then does not apply.
thread_local bool t_failed_here = false;

// The request's offset and value, as the four driver requests carry them.
struct request_buffer {
    std::uint32_t offset;
    std::uint32_t value;
};

bool bench_device_control(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                          std::uint32_t out_size) {
    adapter_bench& bench = *g_bench;
    t_failed_here = false;
    adapter_bench::request r{handle, kind::register_read, 0, 0};
    request_buffer carried{};
    if (!request_of_control_code(code, &r.kind) || in_size < sizeof carried) {
        return bench.emulator()->device_control(handle, code, buffer, in_size, out_size);
    }
    std::memcpy(&carried, buffer, sizeof carried);
    r.offset = carried.offset;
    r.value = carried.value;
    const adapter_bench::action act = bench.before(r);
    if (act == adapter_bench::action::fail) {
        t_failed_here = true;
        return false;
    }
    if (act == adapter_bench::action::forward) {
        if (!is_read(r)) {
            carried.value = r.value;
            std::memcpy(buffer, &carried, sizeof carried);
        }
        const bool ok = bench.emulator()->device_control(handle, code, buffer, in_size, out_size);
        std::memcpy(&carried, buffer, sizeof carried);
        r.value = ok && is_read(r) ? carried.value : r.value;
        bench.after(r, ok ? 0 : bench.emulator()->last_error());
        if (!ok) {
            return false;
        }
    }
    if (is_read(r)) {
        carried.value = r.value;
        std::memcpy(buffer, &carried, sizeof carried);
    }
    return true;
}

}  // namespace

adapter_bench::adapter_bench() : emulator_(platform_transport()), ops_(*emulator_) {
    box_.add_blank_adapter(kAdapter);
    box_.use_in_this_process();
    ops_.device_control = bench_device_control;
    ops_.last_error = [] { return t_failed_here ? g_bench->fail_error() : g_bench->emulator()->last_error(); };
    // The polls' sleeps reach the emulator, on the model's clock: a flash
    // that is slow to erase ends its erase after as many polls as it would
    // in real time, and none of them waits.
    emulator_clock_choose(emulator_clock::model);
    ops_.sleep_ms = [](std::uint32_t ms) {
        g_bench->requests.push_back(sleep_of(ms));
        g_bench->emulator()->sleep_ms(ms);
    };
    // Enumeration reads the error number of its own calls: a request failed
    // here before must not lend them its number.
    ops_.open_interface_list = [] {
        t_failed_here = false;
        return g_bench->emulator()->open_interface_list();
    };
    ops_.open_device = [](const void* detail) {
        t_failed_here = false;
        return g_bench->emulator()->open_device(detail);
    };
    g_bench = this;
    set_transport_for_testing(&ops_);
}

adapter_bench::~adapter_bench() {
    set_transport_for_testing(nullptr);
    g_bench = nullptr;
}

void adapter_bench::forget() {
    requests.clear();
    requests_seen_ = 0;
    failed_ = 0;
    vpd_reads_started = 0;
    transfer_faults_seen_.assign(setup_.transfer_faults.size(), 0);
    live_ = {};
}

int adapter_bench::power_on() {
    close_adapter_handles();
    setup_.write_to(box_, kAdapter);
    box_.write_text(std::string(kAdapter) + "/faults", setup_.faults);
    // Nothing scripted while powering on.
    bench_setup script = std::move(setup_);
    setup_ = bench_setup{};
    const int found = enumerate_adapters();
    if (script.write_enabled && found > 0) {
        reg_write(0, flash_wire::kDataRegister, flash_wire::kWriteEnable);
        reg_write(0, flash_wire::kControlRegister, flash_wire::kWriteOneEnd);
    }
    setup_ = std::move(script);
    powered_ = setup_;
    powered_once_ = true;
    forget();
    return found;
}

void adapter_bench::sync() {
    // The flash may have been programmed since: compare with what it holds.
    powered_.flash = flash();
    if (!powered_once_ || !same_power_on(setup_, powered_)) {
        power_on();
    }
}

void adapter_bench::clear_log() {
    sync();
    forget();
}

void adapter_bench::record(const request& r, std::uint32_t error) {
    requests.push_back({recorded_kind_of(r.kind), 0, r.offset, error != 0 && is_read(r) ? 0 : r.value, error});
    if (error != 0) {
        return;
    }
    if (r.kind == kind::register_write) {
        live_.register_written(r.offset, r.value);
    } else if (r.kind == kind::register_read) {
        live_.register_read(r.offset, r.value);
    }
}

// A transfer starts: the transfer faults whose turn it is take effect.
bool adapter_bench::start_transfer(request& r) {
    bool refused = false;
    bench_setup& s = setup_;
    transfer_faults_seen_.resize(s.transfer_faults.size(), 0);
    for (std::size_t i = 0; i < s.transfer_faults.size(); ++i) {
        const transfer_fault& f = s.transfer_faults[i];
        if (f.operation != r.value || f.data != live_.data_register() || ++transfer_faults_seen_[i] != f.occurrence) {
            continue;
        }
        if (f.what == transfer_fault::effect::sends_instead) {
            std::uint32_t sent[2] = {flash_wire::kDataRegister, f.value};
            emulator_->device_control(r.handle, kIoctlRegisterWrite, sent, sizeof sent, 0);
            record({r.handle, kind::register_write, flash_wire::kDataRegister, f.value}, 0);
        } else if (f.what == transfer_fault::effect::controller_hangs) {
            s.controller_stuck = true;
        } else if (f.what == transfer_fault::effect::refused) {
            refused = true;
        } else {
            s.wip_status_reads = f.value;
        }
    }
    return refused;
}

adapter_bench::action adapter_bench::before(request& r) {
    bench_setup& s = setup_;
    ++requests_seen_;
    const bool data_register = s.vpd_at != 0 && r.offset == s.vpd_at + kVpdDataRegister;
    const bool config_refused =
        r.kind == kind::config_read && (s.failing_config_reads.count(r.offset) != 0 ||
                                        (data_register && s.failing_vpd_data_reads.count(vpd_reads_started) != 0));
    if ((s.fail_error != 0 && requests_seen_ > s.fail_after && failed_ < s.failures) || config_refused) {
        failed_ += config_refused ? 0 : 1;
        fail_error_ = config_refused ? kErrorGenFailure : s.fail_error;
        record(r, fail_error_);
        return action::fail;
    }
    if (r.kind == kind::config_write && r.offset == s.vpd_at && s.vpd_at != 0 && (r.value & kVpdFlag) == 0) {
        ++vpd_reads_started;
    }
    if (r.kind == kind::config_write && data_register && s.vpd_data_drops_writes) {
        record(r, 0);
        return action::answer;
    }
    const bool control = r.offset == flash_wire::kControlRegister;
    if (r.kind == kind::register_read && control) {
        if (!s.control_read_values.empty()) {
            r.value = s.control_read_values.front();
            s.control_read_values.pop_front();
        } else if (s.controller_stuck || s.busy_reads > 0) {
            s.busy_reads -= s.busy_reads > 0 && !s.controller_stuck ? 1 : 0;
            r.value = flash_wire::kControlBusy;
        } else {
            return action::forward;
        }
        record(r, 0);
        return action::answer;
    }
    if (r.kind == kind::register_write && control) {
        if (start_transfer(r)) {
            fail_error_ = kErrorGenFailure;
            record(r, fail_error_);
            return action::fail;
        }
        if (s.controller_stuck || s.busy_reads > 0) {
            record(r, 0);
            return action::answer;  // ignored while busy
        }
        if (!s.busy_reads_next_transfers.empty()) {
            s.busy_reads = s.busy_reads_next_transfers.front();
            s.busy_reads_next_transfers.pop_front();
        }
    }
    return action::forward;
}

void adapter_bench::after(request& r, std::uint32_t error) {
    const bench_setup& s = setup_;
    if (error == 0 && r.kind == kind::register_read && r.offset == flash_wire::kDataRegister &&
        !live_.commands().empty() && live_.commands().back().opcode() == flash_wire::kReadStatus &&
        !flash_wire::is_write(live_.transfers().back().operation) && (s.flash_stuck || s.wip_status_reads > 0)) {
        setup_.wip_status_reads -= s.flash_stuck ? 0 : 1;
        r.value |= 1;
    }
    if (error == 0 && r.kind == kind::config_read && s.vpd_at != 0 && r.offset == s.vpd_at && s.vpd_stuck_from != 0 &&
        vpd_reads_started >= s.vpd_stuck_from) {
        r.value &= ~kVpdFlag;
    }
    record(r, error);
}

int adapter_bench::programs() const {
    return enabled_commands(commands(), flash_wire::kPageProgram);
}

int adapter_bench::erases() const {
    return enabled_commands(commands(), flash_wire::kSectorErase);
}

bool adapter_bench::flash_selected() const {
    const std::vector<flash_command> all = commands();
    return !all.empty() && !all.back().ended;
}

bytes adapter_bench::flash() const {
    return box_.read_file(std::string(kAdapter) + "/flash.bin");
}
