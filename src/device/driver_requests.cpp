// The four driver requests. Each travels with one 8-byte register access
// record: the offset in the first field, the value in the second. Reads use
// the same record as output; the driver leaves the value in the second field
// and whatever it puts in the first is ignored.
#include "device/driver_requests.h"

#include "device/adapter_table.h"
#include "device/transport.h"

#include <cstdint>
#include <cstdio>

namespace {

struct register_access_record {
    std::uint32_t offset;
    std::uint32_t value;
};
static_assert(sizeof(register_access_record) == 8);

// Failed requests per adapter index; only ever counts up, so nested users
// (a transfer inside a status poll inside an erase) each keep their own mark.
std::uint32_t g_failed_requests[256] = {};

bool issue(std::uint8_t adapter, std::uint32_t code, register_access_record* record, bool has_output) {
    const transport_ops* t = active_transport();
    const bool done =
        t->device_control(adapter_slot_handle(adapter), code, record, sizeof *record, has_output ? sizeof *record : 0);
    if (!done) {
        ++g_failed_requests[adapter];
    }
    return done;
}

}  // namespace

std::uint32_t reg_read(std::uint8_t adapter, std::uint32_t offset) {
    register_access_record record{offset, 0};
    if (!issue(adapter, kIoctlRegisterRead, &record, true)) {
        std::fprintf(stderr, "ERROR: register read failed with error code: %d!\n",
                     static_cast<int>(active_transport()->last_error()));
        return 0;
    }
    return record.value;
}

void reg_write(std::uint8_t adapter, std::uint32_t offset, std::uint32_t value) {
    register_access_record record{offset, value};
    if (!issue(adapter, kIoctlRegisterWrite, &record, false)) {
        std::fprintf(stderr, "ERROR: register write failed with error code: %d!\n",
                     static_cast<int>(active_transport()->last_error()));
    }
}

bool pci_config_read(std::uint8_t adapter, std::uint32_t offset, std::uint32_t* value) {
    register_access_record record{offset, 0};
    if (!issue(adapter, kIoctlConfigRead, &record, true)) {
        return false;
    }
    *value = record.value;
    return true;
}

void pci_config_write(std::uint8_t adapter, std::uint32_t offset, std::uint32_t value) {
    register_access_record record{offset, value};
    issue(adapter, kIoctlConfigWrite, &record, false);
}

std::uint32_t adapter_failed_requests(std::uint8_t adapter) {
    return g_failed_requests[adapter];
}

void adapter_sleep_ms(std::uint32_t milliseconds) {
    active_transport()->sleep_ms(milliseconds);
}
