#include "emulator/model/emulator_faults.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

enum class value_kind { none, number };

struct fault_key {
    const char* name;
    value_kind kind;
    bool root_only;
    std::uint32_t emulator_faults::*number;
    bool emulator_faults::*flag;
};

// Every key the emulator understands, and where its value goes.
const fault_key kFaultKeys[] = {
    {"class-error", value_kind::number, true, &emulator_faults::class_error, nullptr},
    {"detail-size-error", value_kind::number, false, &emulator_faults::detail_size_error, nullptr},
    {"detail-error", value_kind::number, false, &emulator_faults::detail_error, nullptr},
    {"open-error", value_kind::number, false, &emulator_faults::open_error, nullptr},
    {"register-error", value_kind::number, false, &emulator_faults::register_error, nullptr},
    {"config-read-error", value_kind::number, false, &emulator_faults::config_read_error, nullptr},
    {"config-write-error", value_kind::number, false, &emulator_faults::config_write_error, nullptr},
    {"controller-busy-reads", value_kind::number, false, &emulator_faults::controller_busy_reads, nullptr},
    {"controller-stuck", value_kind::none, false, nullptr, &emulator_faults::controller_stuck},
    {"program-busy-polls", value_kind::number, false, &emulator_faults::program_busy_polls, nullptr},
    {"erase-busy-polls", value_kind::number, false, &emulator_faults::erase_busy_polls, nullptr},
    {"program-time-us", value_kind::number, false, &emulator_faults::program_time_us, nullptr},
    {"erase-time-ms", value_kind::number, false, &emulator_faults::erase_time_ms, nullptr},
    {"flash-stuck", value_kind::none, false, nullptr, &emulator_faults::flash_stuck},
    {"vpd-busy-reads", value_kind::number, false, &emulator_faults::vpd_busy_reads, nullptr},
    {"vpd-stuck", value_kind::none, false, nullptr, &emulator_faults::vpd_stuck},
};

bool parse_number(const std::string& text, std::uint64_t* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    // Beyond 64 bits strtoull clamps to the largest value and says so only
    // through errno; taken as it is, a mistyped count would become "never".
    if (*end != '\0' || text[0] < '0' || text[0] > '9' || errno == ERANGE) {
        return false;
    }
    *value = parsed;
    return true;
}

// Applies one line's key and value; returns an empty string or what is wrong.
std::string apply_fault(const std::string& key, const std::string& value, bool has_value, bool root,
                        emulator_faults* faults) {
    if (key == "fail-after") {
        std::uint64_t n = 0;
        if (root) {
            return "'fail-after' belongs in an adapter folder";
        }
        if (!has_value || !parse_number(value, &n)) {
            return "'fail-after' needs a number";
        }
        faults->fail_after_set = true;
        faults->fail_after = n;
        return {};
    }
    for (const fault_key& k : kFaultKeys) {
        if (key != k.name) {
            continue;
        }
        if (k.root_only != root) {
            return root ? "only class-error belongs in the root folder, not '" + key + "'"
                        : "'" + key + "' belongs in the root folder";
        }
        if (k.kind == value_kind::none) {
            if (has_value) {
                return "'" + key + "' takes no value";
            }
            faults->*k.flag = true;
            return {};
        }
        std::uint64_t n = 0;
        if (!has_value || !parse_number(value, &n) || n > 0xFFFFFFFFu) {
            return "'" + key + "' needs a number";
        }
        faults->*k.number = static_cast<std::uint32_t>(n);
        return {};
    }
    return "unknown fault key '" + key + "'";
}

}  // namespace

void read_emulator_faults(const std::string& path, bool root, emulator_faults* faults, std::string* problems) {
    std::ifstream in(path);
    if (!in) {
        return;
    }
    std::string line;
    int line_number = 0;
    while (std::getline(in, line)) {
        ++line_number;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream words(line);
        std::string key, value, extra;
        if (!(words >> key)) {
            continue;
        }
        const bool has_value = static_cast<bool>(words >> value);
        std::string problem = (words >> extra) ? "too many words" : apply_fault(key, value, has_value, root, faults);
        if (!problem.empty() && problems != nullptr) {
            *problems += path + ":" + std::to_string(line_number) + ": " + problem + "\n";
        }
    }
}
