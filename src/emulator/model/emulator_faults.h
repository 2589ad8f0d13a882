// Fault injection for emulated adapters.
//
// An adapter folder may hold a text file `faults`: one fault a line, `key` or
// `key value`, `#` starts a comment. The root folder's `faults` may hold
// `class-error N`. Absent keys mean no fault.
#pragma once

#include <cstdint>
#include <string>

struct emulator_faults {
    // Enumeration and open (error numbers; 0 = no fault).
    std::uint32_t class_error = 0;  // root only
    std::uint32_t detail_size_error = 0;
    std::uint32_t detail_error = 0;
    std::uint32_t open_error = 0;
    // Driver requests.
    std::uint32_t register_error = 0;
    std::uint32_t config_read_error = 0;
    std::uint32_t config_write_error = 0;
    bool fail_after_set = false;
    std::uint64_t fail_after = 0;  // requests that still succeed
    // The hardware.
    std::uint32_t controller_busy_reads = 0;
    bool controller_stuck = false;
    std::uint32_t program_busy_polls = 0;
    std::uint32_t erase_busy_polls = 0;
    std::uint32_t program_time_us = 0;
    std::uint32_t erase_time_ms = 0;
    bool flash_stuck = false;
    std::uint32_t vpd_busy_reads = 0;
    bool vpd_stuck = false;
};

// Reads the faults file at path into *faults. A missing file is no fault.
// Every line that cannot be understood (unknown key, missing or malformed
// value, a root-only key elsewhere) is described in *problems, one line
// each, and otherwise ignored. root selects which keys are allowed.
void read_emulator_faults(const std::string& path, bool root, emulator_faults* faults, std::string* problems);
