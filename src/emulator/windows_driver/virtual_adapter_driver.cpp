// The virtual adapter driver: a WDM function driver for root-enumerated
// devices, one per emulated adapter folder, that publishes the adapters'
// device interface and serves the utility's four control requests from the
// adapter hardware model of its folder. With it the unmodified production
// build reaches emulated adapters through SetupAPI, CreateFileW and
// DeviceIoControl exactly as it reaches real ones.
//
// A test fixture for wine, never shipped. Wine hosts kernel drivers in a
// user-mode process (winedevice.exe), so this driver links the C++ model and
// uses the C runtime and ordinary file I/O. None of that is allowed in a
// real Windows kernel, where this image would not load.
#include "device/transport.h"
#include "emulator/windows_driver/virtual_adapter_ids.h"
#include "emulator/windows_driver/virtual_adapter_sessions.h"

// mingw-w64's wdm.h brings its own inline versions of these two intrinsics,
// which a C++ compilation would otherwise see twice.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ddk/wdm.h>

namespace {

// The interface class of the adapters, as the utility looks for it.
const GUID kAdapterInterfaceClass = {0xB5C98E43, 0x7483, 0x415C, {0x93, 0x08, 0x38, 0x06, 0x52, 0x64, 0xE1, 0x0B}};

constexpr ULONG kMaxPathChars = 1024;

// What each device object of this driver keeps.
struct adapter_device {
    PDEVICE_OBJECT lower;           // the root bus's device below
    UNICODE_STRING interface_link;  // the published interface, enabled while started
    WCHAR folder[kMaxPathChars];    // the adapter folder, from the device's hardware key
};

// The service key's Parameters subkey, where the trace file is named.
WCHAR g_parameters_path[kMaxPathChars];

adapter_device* device_of(PDEVICE_OBJECT device) {
    return static_cast<adapter_device*>(device->DeviceExtension);
}

// A Windows error number as the application's GetLastError will see it: an
// NTSTATUS of the Win32 facility carries it unchanged.
NTSTATUS status_from_error(ULONG error) {
    return static_cast<NTSTATUS>(0xC0070000u | (error & 0xFFFFu));
}

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// Copies the REG_SZ value name of key into out (kMaxPathChars characters);
// an absent or unusable value reads as empty.
void read_string_value(HANDLE key, const WCHAR* name, WCHAR* out) {
    out[0] = L'\0';
    UNICODE_STRING value_name;
    RtlInitUnicodeString(&value_name, name);
    alignas(8) UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + kMaxPathChars * sizeof(WCHAR)];
    ULONG length = 0;
    if (!NT_SUCCESS(ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, buffer, sizeof buffer, &length))) {
        return;
    }
    const auto* info = reinterpret_cast<const KEY_VALUE_PARTIAL_INFORMATION*>(buffer);
    if (info->Type != REG_SZ && info->Type != REG_EXPAND_SZ) {
        return;
    }
    ULONG chars = info->DataLength / sizeof(WCHAR);
    if (chars >= kMaxPathChars) {
        chars = kMaxPathChars - 1;
    }
    RtlCopyMemory(out, info->Data, chars * sizeof(WCHAR));
    out[chars] = L'\0';
}

// The trace file named now: read at every open, so that each run of the
// utility can ask for its own trace.
void read_trace_file(WCHAR* out) {
    out[0] = L'\0';
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, g_parameters_path);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    HANDLE key = nullptr;
    if (NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) {
        read_string_value(key, VIRTUAL_ADAPTER_TRACE_VALUE, out);
        ZwClose(key);
    }
}

NTSTATUS NTAPI add_device(PDRIVER_OBJECT driver, PDEVICE_OBJECT bus_device) {
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, sizeof(adapter_device), nullptr, FILE_DEVICE_UNKNOWN,
                                     FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    adapter_device* adapter = device_of(device);
    RtlZeroMemory(adapter, sizeof *adapter);
    HANDLE key = nullptr;
    if (NT_SUCCESS(IoOpenDeviceRegistryKey(bus_device, PLUGPLAY_REGKEY_DEVICE, KEY_READ, &key))) {
        read_string_value(key, VIRTUAL_ADAPTER_FOLDER_VALUE, adapter->folder);
        ZwClose(key);
    }
    status = IoRegisterDeviceInterface(bus_device, &kAdapterInterfaceClass, nullptr, &adapter->interface_link);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    adapter->lower = IoAttachDeviceToDeviceStack(device, bus_device);
    if (adapter->lower == nullptr) {
        RtlFreeUnicodeString(&adapter->interface_link);
        IoDeleteDevice(device);
        return STATUS_NO_SUCH_DEVICE;
    }
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI on_lower_done(PDEVICE_OBJECT, PIRP, PVOID context) {
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

// A start goes to the bus first; the device is usable once the bus has
// started it.
NTSTATUS pass_down_and_wait(adapter_device* adapter, PIRP irp) {
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, on_lower_done, &done, TRUE, TRUE, TRUE);
    NTSTATUS status = IoCallDriver(adapter->lower, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    }
    return irp->IoStatus.Status;
}

NTSTATUS pass_down(adapter_device* adapter, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(adapter->lower, irp);
}

NTSTATUS NTAPI dispatch_pnp(PDEVICE_OBJECT device, PIRP irp) {
    adapter_device* adapter = device_of(device);
    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
        case IRP_MN_START_DEVICE: {
            NTSTATUS status = pass_down_and_wait(adapter, irp);
            if (NT_SUCCESS(status)) {
                IoSetDeviceInterfaceState(&adapter->interface_link, TRUE);
            }
            return complete(irp, status, irp->IoStatus.Information);
        }
        case IRP_MN_SURPRISE_REMOVAL:
            IoSetDeviceInterfaceState(&adapter->interface_link, FALSE);
            irp->IoStatus.Status = STATUS_SUCCESS;
            return pass_down(adapter, irp);
        case IRP_MN_REMOVE_DEVICE: {
            IoSetDeviceInterfaceState(&adapter->interface_link, FALSE);
            irp->IoStatus.Status = STATUS_SUCCESS;
            PDEVICE_OBJECT lower = adapter->lower;
            IoSkipCurrentIrpStackLocation(irp);
            const NTSTATUS status = IoCallDriver(lower, irp);
            IoDetachDevice(lower);
            RtlFreeUnicodeString(&adapter->interface_link);
            IoDeleteDevice(device);
            return status;
        }
        default: return pass_down(adapter, irp);
    }
}

// Each open of the device is one open of the emulated adapter, with the
// emulator's own refusals (open-error, unusable files, exclusive open).
NTSTATUS NTAPI dispatch_create(PDEVICE_OBJECT device, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    WCHAR trace_file[kMaxPathChars];
    read_trace_file(trace_file);
    std::uint32_t error = 0;
    virtual_adapter_handle* handle = virtual_adapter_open(device_of(device)->folder, trace_file, &error);
    if (handle == nullptr) {
        return complete(irp, status_from_error(error), 0);
    }
    file->FsContext = handle;
    return complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI dispatch_close(PDEVICE_OBJECT, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    virtual_adapter_close(static_cast<virtual_adapter_handle*>(file->FsContext));
    file->FsContext = nullptr;
    return complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI dispatch_cleanup(PDEVICE_OBJECT, PIRP irp) {
    return complete(irp, STATUS_SUCCESS, 0);
}

// The four control requests, buffered: the 8-byte record (offset, value)
// comes in and, for reads, goes back out in the same system buffer.
NTSTATUS NTAPI dispatch_device_control(PDEVICE_OBJECT, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    auto* handle = static_cast<virtual_adapter_handle*>(stack->FileObject->FsContext);
    if (handle == nullptr) {
        // An open the driver refused, which wine still hands out as a handle.
        return complete(irp, status_from_error(6), 0);
    }
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in_size = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const bool is_read = code == kIoctlRegisterRead || code == kIoctlConfigRead;
    std::uint32_t record[2];
    if (in_size != sizeof record || (is_read && out_size < sizeof record)) {
        return complete(irp, status_from_error(87), 0);
    }
    RtlCopyMemory(record, irp->AssociatedIrp.SystemBuffer, sizeof record);
    std::uint32_t value = 0;
    const std::uint32_t error = virtual_adapter_request(handle, code, record[0], record[1], &value);
    if (error != 0) {
        return complete(irp, status_from_error(error), 0);
    }
    if (!is_read) {
        return complete(irp, STATUS_SUCCESS, 0);
    }
    record[1] = value;
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, record, sizeof record);
    return complete(irp, STATUS_SUCCESS, sizeof record);
}

void NTAPI driver_unload(PDRIVER_OBJECT) {}

NTSTATUS driver_entry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path) {
    // Remember where the service's Parameters key is.
    const ULONG chars = registry_path->Length / sizeof(WCHAR);
    const ULONG suffix = sizeof(L"\\" VIRTUAL_ADAPTER_PARAMETERS_KEY) / sizeof(WCHAR);
    if (chars + suffix > kMaxPathChars) {
        return STATUS_NAME_TOO_LONG;
    }
    RtlCopyMemory(g_parameters_path, registry_path->Buffer, chars * sizeof(WCHAR));
    RtlCopyMemory(g_parameters_path + chars, L"\\" VIRTUAL_ADAPTER_PARAMETERS_KEY, suffix * sizeof(WCHAR));

    driver->DriverExtension->AddDevice = add_device;
    driver->DriverUnload = driver_unload;
    driver->MajorFunction[IRP_MJ_PNP] = dispatch_pnp;
    driver->MajorFunction[IRP_MJ_CREATE] = dispatch_create;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatch_close;
    driver->MajorFunction[IRP_MJ_CLEANUP] = dispatch_cleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatch_device_control;
    return STATUS_SUCCESS;
}

}  // namespace

// The image imports the C runtime and kernel32, so wine's loader takes it for
// an ordinary DLL and first calls its entry point as DllMain, with the
// image's own base address; only then does wine's kernel call it as
// DriverEntry, with the driver object. The first argument tells the two
// apart: the DllMain call runs the C and C++ runtime start-up of a DLL.
extern "C" char __ImageBase;
extern "C" int __stdcall DllMainCRTStartup(void* instance, ULONG reason, void* reserved);

extern "C" NTSTATUS virtual_adapter_start(void* first, void* second, void* third) {
    if (first == &__ImageBase) {
        return DllMainCRTStartup(first, static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(second)), third);
    }
    return driver_entry(static_cast<PDRIVER_OBJECT>(first), static_cast<PUNICODE_STRING>(second));
}
