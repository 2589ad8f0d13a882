// The kernel driver's transport: SetupAPI finds the adapters' device
// interfaces, CreateFileW opens them, DeviceIoControl carries the requests.
#include "device/transport.h"
#include "device/windows_sleep.h"

#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstring>

namespace {

// The interface class the adapter's driver publishes.
const GUID kAdapterInterfaceClass = {0xB5C98E43, 0x7483, 0x415C, {0x93, 0x08, 0x38, 0x06, 0x52, 0x64, 0xE1, 0x0B}};

// The sizes the caller writes into the records' size fields. SetupAPI refuses
// any other value with ERROR_INVALID_USER_BUFFER, so they are pinned per
// architecture: the 32-bit headers pack the records to 1 byte, the 64-bit
// ones to 8 (the pointer-sized Reserved field, and the detail record padded
// after its first path character).
#ifdef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8);
#else
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6);
#endif
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) == 4);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) <= sizeof(interface_record::bytes));

HDEVINFO to_set(interface_list list) {
    return reinterpret_cast<HDEVINFO>(list);
}

HANDLE to_handle(device_handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

interface_list win_open_interface_list() {
    HDEVINFO set =
        SetupDiGetClassDevsW(&kAdapterInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        return kInvalidInterfaceList;
    }
    return reinterpret_cast<interface_list>(set);
}

bool win_enum_interface(interface_list list, std::uint32_t index, interface_record* record) {
    auto* data = reinterpret_cast<SP_DEVICE_INTERFACE_DATA*>(record->bytes);
    return SetupDiEnumDeviceInterfaces(to_set(list), nullptr, &kAdapterInterfaceClass, index, data) != FALSE;
}

bool win_get_interface_detail(interface_list list, const interface_record* record, void* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size) {
    // SetupAPI takes the interface record as non-const; it does not change it.
    SP_DEVICE_INTERFACE_DATA data;
    std::memcpy(&data, record->bytes, sizeof data);
    DWORD required = 0;
    const BOOL ok =
        SetupDiGetDeviceInterfaceDetailW(to_set(list), &data, static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(detail),
                                         detail_size, required_size != nullptr ? &required : nullptr, nullptr);
    if (required_size != nullptr) {
        *required_size = required;
    }
    return ok != FALSE;
}

void win_close_interface_list(interface_list list) {
    SetupDiDestroyDeviceInfoList(to_set(list));
}

device_handle win_open_device(const void* detail) {
    const auto* record = static_cast<const SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detail);
    HANDLE handle = CreateFileW(record->DevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return kInvalidHandle;
    }
    return reinterpret_cast<device_handle>(handle);
}

void win_close_device(device_handle handle) {
    CloseHandle(to_handle(handle));
}

bool win_device_control(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                        std::uint32_t out_size) {
    // An empty or failed slot: INVALID_HANDLE_VALUE is also the pseudo handle
    // of the current process, so never hand it to the kernel.
    if (handle == kNoHandle || handle == kInvalidHandle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD returned = 0;
    return DeviceIoControl(to_handle(handle), code, buffer, in_size, out_size != 0 ? buffer : nullptr, out_size,
                           &returned, nullptr) != FALSE;
}

std::uint32_t win_last_error() {
    return GetLastError();
}

const transport_ops kDriverTransport = {
    win_open_interface_list,
    win_enum_interface,
    win_get_interface_detail,
    win_close_interface_list,
    win_open_device,
    win_close_device,
    win_device_control,
    win_last_error,
    windows_sleep_ms,
    sizeof(SP_DEVICE_INTERFACE_DATA),
    sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W),
};

}  // namespace

const transport_ops* platform_transport() {
    return &kDriverTransport;
}
