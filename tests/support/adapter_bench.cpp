#include "support/adapter_bench.h"

#include "device/driver_requests.h"

namespace {

constexpr const char* kAdapter = "adapter00";
constexpr std::uint32_t kVpdFlag = 0x80000000u;
constexpr std::uint32_t kVpdDataRegister = 4;

bool same_power_on(const bench_setup& a, const bench_setup& b) {
    return a.flash == b.flash && a.config == b.config && a.vpd == b.vpd && a.faults == b.faults &&
           a.write_enabled == b.write_enabled;
}

bool is_read(const interposed_request& r) {
    return r.kind == interposed_kind::register_read || r.kind == interposed_kind::config_read;
}

recorded_kind recorded_kind_of(interposed_kind kind) {
    switch (kind) {
        case interposed_kind::register_read: return recorded_kind::register_read;
        case interposed_kind::register_write: return recorded_kind::register_write;
        case interposed_kind::config_read: return recorded_kind::config_read;
        case interposed_kind::config_write: return recorded_kind::config_write;
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

adapter_bench::adapter_bench() {
    box_.add_blank_adapter(kAdapter);
    box_.use_in_this_process();
    emulator_.before = [this](interposed_request& r) { return before(r); };
    emulator_.after = [this](interposed_request& r, std::uint32_t error) { after(r, error); };
    emulator_.on_sleep = [this](std::uint32_t ms) { requests.push_back(sleep_of(ms)); };
}

adapter_bench::~adapter_bench() = default;

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

void adapter_bench::record(const interposed_request& r, std::uint32_t error) {
    requests.push_back({recorded_kind_of(r.kind), 0, r.offset, error != 0 && is_read(r) ? 0 : r.value, error});
    if (error != 0) {
        return;
    }
    if (r.kind == interposed_kind::register_write) {
        live_.register_written(r.offset, r.value);
    } else if (r.kind == interposed_kind::register_read) {
        live_.register_read(r.offset, r.value);
    }
}

// A transfer starts: the transfer faults whose turn it is take effect.
void adapter_bench::start_transfer(interposed_request& r) {
    bench_setup& s = setup_;
    transfer_faults_seen_.resize(s.transfer_faults.size(), 0);
    for (std::size_t i = 0; i < s.transfer_faults.size(); ++i) {
        const transfer_fault& f = s.transfer_faults[i];
        if (f.operation != r.value || f.data != live_.data_register() || ++transfer_faults_seen_[i] != f.occurrence) {
            continue;
        }
        if (f.what == transfer_fault::effect::sends_instead) {
            emulator_.write_register(r.handle, flash_wire::kDataRegister, f.value);
            record({r.handle, interposed_kind::register_write, flash_wire::kDataRegister, f.value}, 0);
        } else if (f.what == transfer_fault::effect::controller_hangs) {
            s.controller_stuck = true;
        } else {
            s.wip_status_reads = f.value;
        }
    }
}

interposer_action adapter_bench::before(interposed_request& r) {
    bench_setup& s = setup_;
    ++requests_seen_;
    const bool data_register = s.vpd_at != 0 && r.offset == s.vpd_at + kVpdDataRegister;
    const bool config_refused = r.kind == interposed_kind::config_read &&
                                (s.failing_config_reads.count(r.offset) != 0 ||
                                 (data_register && s.failing_vpd_data_reads.count(vpd_reads_started) != 0));
    if ((s.fail_error != 0 && requests_seen_ > s.fail_after && failed_ < s.failures) || config_refused) {
        failed_ += config_refused ? 0 : 1;
        emulator_.fail_error = config_refused ? kErrorGenFailure : s.fail_error;
        record(r, emulator_.fail_error);
        return interposer_action::fail;
    }
    if (r.kind == interposed_kind::config_write && r.offset == s.vpd_at && s.vpd_at != 0 && (r.value & kVpdFlag) == 0) {
        ++vpd_reads_started;
    }
    if (r.kind == interposed_kind::config_write && data_register && s.vpd_data_drops_writes) {
        record(r, 0);
        return interposer_action::answer;
    }
    const bool control = r.offset == flash_wire::kControlRegister;
    if (r.kind == interposed_kind::register_read && control) {
        if (!s.control_read_values.empty()) {
            r.value = s.control_read_values.front();
            s.control_read_values.pop_front();
        } else if (s.controller_stuck || s.busy_reads > 0) {
            s.busy_reads -= s.busy_reads > 0 && !s.controller_stuck ? 1 : 0;
            r.value = flash_wire::kControlBusy;
        } else {
            return interposer_action::forward;
        }
        record(r, 0);
        return interposer_action::answer;
    }
    if (r.kind == interposed_kind::register_write && control) {
        start_transfer(r);
        if (s.controller_stuck || s.busy_reads > 0) {
            record(r, 0);
            return interposer_action::answer;  // ignored while busy
        }
        if (!s.busy_reads_next_transfers.empty()) {
            s.busy_reads = s.busy_reads_next_transfers.front();
            s.busy_reads_next_transfers.pop_front();
        }
    }
    return interposer_action::forward;
}

void adapter_bench::after(interposed_request& r, std::uint32_t error) {
    const bench_setup& s = setup_;
    if (error == 0 && r.kind == interposed_kind::register_read && r.offset == flash_wire::kDataRegister &&
        !live_.commands().empty() && live_.commands().back().opcode() == flash_wire::kReadStatus &&
        !flash_wire::is_write(live_.transfers().back().operation) && (s.flash_stuck || s.wip_status_reads > 0)) {
        setup_.wip_status_reads -= s.flash_stuck ? 0 : 1;
        r.value |= 1;
    }
    if (error == 0 && r.kind == interposed_kind::config_read && s.vpd_at != 0 && r.offset == s.vpd_at &&
        s.vpd_stuck_from != 0 && vpd_reads_started >= s.vpd_stuck_from) {
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
