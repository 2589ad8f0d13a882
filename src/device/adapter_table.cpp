#include "device/adapter_table.h"
#include "device/transport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

device_handle g_slots[kMaxAdapters] = {};
std::FILE* g_open_diagnostics = stdout;
bool g_interface_list_failed = false;

// The first field of both SetupAPI records is their size, which the caller
// must fill in before the call.
void set_size_field(void* record, std::uint32_t size) {
    std::memcpy(record, &size, sizeof size);
}

// Opens one interface: learns the detail record's size, fetches the device
// path and opens it exclusively. Yields a handle, kInvalidHandle when the
// open itself was refused, or kNoHandle when the path could not be had.
device_handle open_interface(const transport_ops* t, std::uint32_t position, interface_list list,
                             const interface_record* record) {
    std::uint32_t required = 0;
    t->get_interface_detail(list, record, nullptr, 0, &required);
    const std::uint32_t size_error = t->last_error();
    if (size_error != kErrorInsufficientBuffer) {
        std::fprintf(g_open_diagnostics, "Error in SetupDiGetDeviceInterfaceDetail%d\n", static_cast<int>(size_error));
        return kNoHandle;
    }
    // Never smaller than the fixed part whose size field we fill in.
    const std::uint32_t allocated = required < t->detail_fixed_size ? t->detail_fixed_size : required;
    void* detail = std::calloc(1, allocated);
    if (detail == nullptr) {
        std::fprintf(g_open_diagnostics, "Couldn't allocate %d bytes for device interface details.\n",
                     static_cast<int>(required));
        return kNoHandle;
    }
    set_size_field(detail, t->detail_fixed_size);
    if (!t->get_interface_detail(list, record, detail, allocated, nullptr)) {
        std::fputs("Error in SetupDiGetDeviceInterfaceDetail\n", g_open_diagnostics);
        std::free(detail);
        return kNoHandle;
    }
    const device_handle handle = t->open_device(detail);
    std::free(detail);
    if (handle == kInvalidHandle) {
        const std::uint32_t open_error = t->last_error();
        // Every request on this adapter will now fail with "invalid handle",
        // which says nothing of the cause; when another program holds the
        // adapter open, say so before anything else is printed.
        if (open_error == kErrorSharingViolation) {
            std::fprintf(stderr, "ERROR: Adapter %d is in use by another program (error 32)!\n",
                         static_cast<int>(position));
        }
        // No line end: whatever is printed next continues this line.
        std::fprintf(g_open_diagnostics, "CreateFile failed: 0x%x", static_cast<unsigned>(open_error));
        // The driver lets only administrators open its adapters, so a run
        // without elevation meets this on every adapter. The reason follows
        // the CreateFile line, in that order even when both streams go to
        // one file.
        if (open_error == kErrorAccessDenied) {
            std::fflush(g_open_diagnostics);
            std::fprintf(stderr,
                         "ERROR: Adapter %d could not be opened: access denied; run from an elevated command prompt "
                         "(Run as administrator)!\n",
                         static_cast<int>(position));
        }
        return kInvalidHandle;
    }
    return handle;
}

}  // namespace

device_handle adapter_slot_handle(std::uint8_t adapter) {
    return adapter < kMaxAdapters ? g_slots[adapter] : kNoHandle;
}

void send_open_diagnostics_to(std::FILE* stream) {
    g_open_diagnostics = stream;
}

bool adapter_interface_list_failed() {
    return g_interface_list_failed;
}

void close_adapter_handles() {
    const transport_ops* t = active_transport();
    for (device_handle& slot : g_slots) {
        // A failed slot is passed too; closing the invalid value releases
        // nothing, as on Windows.
        if (slot != kNoHandle) {
            t->close_device(slot);
            slot = kNoHandle;
        }
    }
}

std::uint8_t enumerate_adapters(adapter_step after_open, void* context) {
    close_adapter_handles();
    const transport_ops* t = active_transport();
    const interface_list list = t->open_interface_list();
    g_interface_list_failed = list == kInvalidInterfaceList;
    if (g_interface_list_failed) {
        std::fprintf(stderr, "SetupDiGetClassDevs failed: %x\n", static_cast<unsigned>(t->last_error()));
        return 0;
    }
    interface_record record{};
    set_size_field(record.bytes, t->interface_record_size);

    std::uint8_t count = kMaxAdapters;
    for (std::uint32_t i = 0; i < kMaxAdapters; ++i) {
        t->enum_interface(list, i, &record);
        // Read whatever the call returned: the walk ends only on "no more
        // items", any other failure still counts as an interface.
        if (t->last_error() == kErrorNoMoreItems) {
            count = static_cast<std::uint8_t>(i);
            break;
        }
        g_slots[i] = open_interface(t, i, list, &record);
        if (g_slots[i] == kNoHandle) {
            std::fprintf(stderr, "Device handle could not be opened!\n");
        }
        if (after_open != nullptr) {
            after_open(static_cast<std::uint8_t>(i), context);
        }
    }
    t->close_interface_list(list);
    return count;
}
