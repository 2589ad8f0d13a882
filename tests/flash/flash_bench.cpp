#include "flash_bench.h"

#include "device/driver_requests.h"

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kAdapter = "adapter00";

std::string faults_text(const flash_setup& s) {
    std::string text;
    const auto add = [&text](const char* key, std::uint32_t value) {
        if (value != 0) {
            text += std::string(key) + " " + std::to_string(value) + "\n";
        }
    };
    add("controller-busy-reads", s.busy_reads_per_transfer);
    add("program-busy-polls", s.wip_reads_after_program);
    add("erase-busy-polls", s.wip_reads_after_erase);
    return text;
}

}  // namespace

bool flash_setup::same_power_on(const flash_setup& other) const {
    return flash == other.flash && busy_reads_per_transfer == other.busy_reads_per_transfer &&
           wip_reads_after_program == other.wip_reads_after_program &&
           wip_reads_after_erase == other.wip_reads_after_erase && write_enabled == other.write_enabled;
}

flash_bench::flash_bench() {
    box_.add_blank_adapter(kAdapter);
    setenv("HBAEMU_DIR", box_.root().c_str(), 1);
    unsetenv("HBAEMU_TRACE");
    emulator_.before = [this](interposed_request& r) { return before(r); };
    emulator_.after_read = [this](interposed_request& r) { after_read(r); };
    emulator_.on_sleep = [this](std::uint32_t ms) { requests.push_back(sleep_of(ms)); };
}

flash_bench::~flash_bench() {
    close_adapter_handles();
    unsetenv("HBAEMU_DIR");
}

void flash_bench::power_on() {
    close_adapter_handles();
    box_.write_file(std::string(kAdapter) + "/flash.bin", setup_.flash);
    box_.write_text(std::string(kAdapter) + "/faults", faults_text(setup_));
    // Nothing scripted while powering on.
    flash_setup script = std::move(setup_);
    setup_ = flash_setup{};
    setup_.flash = script.flash;
    EXPECT_EQ(enumerate_adapters(), 1);
    if (script.write_enabled) {
        reg_write(0, flash_wire::kDataRegister, flash_wire::kWriteEnable);
        reg_write(0, flash_wire::kControlRegister, flash_wire::kWriteOneEnd);
    }
    setup_ = std::move(script);
    powered_ = setup_;
    powered_once_ = true;
}

void flash_bench::sync() {
    // The flash may have been programmed since: compare with what it holds.
    powered_.flash = flash();
    if (!powered_once_ || !setup_.same_power_on(powered_)) {
        power_on();
        requests.clear();
        requests_seen_ = 0;
        live_ = {};
    }
}

void flash_bench::clear_log() {
    sync();
    requests.clear();
    requests_seen_ = 0;
    live_ = {};
}

void flash_bench::record(recorded_kind kind, std::uint32_t offset, std::uint32_t value, std::uint32_t error) {
    requests.push_back({kind, 0, offset, value, error});
    if (error != 0) {
        return;
    }
    if (kind == recorded_kind::register_write) {
        live_.register_written(offset, value);
    } else if (kind == recorded_kind::register_read) {
        live_.register_read(offset, value);
    }
}

namespace {

recorded_kind recorded_kind_of(interposed_kind kind) {
    switch (kind) {
        case interposed_kind::register_read: return recorded_kind::register_read;
        case interposed_kind::register_write: return recorded_kind::register_write;
        case interposed_kind::config_read: return recorded_kind::config_read;
        case interposed_kind::config_write: return recorded_kind::config_write;
    }
    return recorded_kind::register_read;
}

}  // namespace

interposer_action flash_bench::before(interposed_request& r) {
    flash_setup& s = setup_;
    const recorded_kind kind = recorded_kind_of(r.kind);
    const bool is_read = r.kind == interposed_kind::register_read || r.kind == interposed_kind::config_read;
    ++requests_seen_;
    if (s.fail_error != 0 && requests_seen_ > s.fail_after) {
        emulator_.fail_error = s.fail_error;
        record(kind, r.offset, is_read ? 0 : r.value, s.fail_error);
        return interposer_action::fail;
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
            return interposer_action::forward;  // recorded once read
        }
        record(kind, r.offset, r.value, 0);
        return interposer_action::answer;
    }
    if (is_read) {
        return interposer_action::forward;  // recorded once read
    }
    record(kind, r.offset, r.value, 0);
    if (r.kind == interposed_kind::register_write && control) {
        if (s.controller_stuck || s.busy_reads > 0) {
            return interposer_action::answer;  // ignored while busy
        }
        if (!s.busy_reads_next_transfers.empty()) {
            s.busy_reads = s.busy_reads_next_transfers.front();
            s.busy_reads_next_transfers.pop_front();
        }
    }
    return interposer_action::forward;
}

void flash_bench::after_read(interposed_request& r) {
    flash_setup& s = setup_;
    const bool status_byte = r.kind == interposed_kind::register_read && r.offset == flash_wire::kDataRegister &&
                             !live_.commands().empty() && live_.commands().back().opcode() == flash_wire::kReadStatus &&
                             !live_.transfers().empty() && !flash_wire::is_write(live_.transfers().back().operation);
    if (status_byte && (s.flash_stuck || s.wip_status_reads > 0)) {
        s.wip_status_reads -= s.flash_stuck ? 0 : 1;
        r.value |= 1;
    }
    record(recorded_kind_of(r.kind), r.offset, r.value, 0);
}

namespace {

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

int flash_bench::programs() const {
    return enabled_commands(commands(), flash_wire::kPageProgram);
}

int flash_bench::erases() const {
    return enabled_commands(commands(), flash_wire::kSectorErase);
}

bool flash_bench::flash_selected() const {
    const std::vector<flash_command> all = commands();
    return !all.empty() && !all.back().ended;
}

std::vector<std::uint8_t> flash_bench::flash() const {
    return box_.read_file(std::string(kAdapter) + "/flash.bin");
}
