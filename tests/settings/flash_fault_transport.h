// A transport for in-process tests that passes every request to the
// emulator's and adds the flash faults the emulator cannot stage on one
// chosen page program: a status register that keeps reporting
// write-in-progress after it, and a write enable that never reaches the
// flash so that the program silently does not take. It also skips the
// polls' sleeps and counts what went by.
#pragma once

struct flash_fault_plan {
    int busy_status_after_page = 0;  // 1-based page program whose status polls all read busy
    int dropped_write_enable = 0;    // 1-based write enable sent as write disable instead
};

struct flash_fault_counts {
    int requests = 0;
    int write_enables = 0;
    int page_programs = 0;
    int sector_erases = 0;
    int sleeps = 0;
};

// Puts the fault transport in place of the platform's; before enumeration,
// so that the handles it hands out are the emulator's own.
void install_flash_fault_transport(const flash_fault_plan& plan);
void remove_flash_fault_transport();
const flash_fault_counts& flash_fault_transport_counts();
