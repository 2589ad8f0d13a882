// The platform's share of adapter access.
//
// Everything above this header is identical on every platform. Below it sit
// either the adapter's kernel driver (SetupAPI enumeration, CreateFileW,
// DeviceIoControl) or the adapter emulator. The operations mirror the Windows
// calls one for one, including how they report failure (a false result and a
// thread error number read afterwards), so that the enumeration and the
// driver requests can be written once against the Windows semantics.
//
// Error numbers are Windows system error numbers on every platform.
#pragma once

#include <cstdint>

// A device handle as the platform gives it. kNoHandle marks an empty slot;
// kInvalidHandle is the platform's INVALID_HANDLE_VALUE, what a refused open
// yields.
using device_handle = std::intptr_t;
inline constexpr device_handle kNoHandle = 0;
inline constexpr device_handle kInvalidHandle = -1;

// A list of the present device interfaces of the adapters' class
// (a SetupAPI device-information set on Windows).
using interface_list = std::intptr_t;
inline constexpr interface_list kInvalidInterfaceList = -1;

// Windows system error numbers the layers above test for or that the
// emulator reports.
inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNoMoreItems = 259;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

// Storage for one interface record (SP_DEVICE_INTERFACE_DATA on Windows:
// 28 bytes on 32-bit, 32 on 64-bit). Its first four bytes are the size field,
// which the caller sets to the transport's interface_record_size.
struct interface_record {
    alignas(8) unsigned char bytes[32];
};

// The detail record (SP_DEVICE_INTERFACE_DETAIL_DATA_W on Windows) starts
// with a 32-bit size field, which the caller sets to the transport's
// detail_fixed_size; the device path follows in the platform's own form.

// The four driver control codes: device type 0x6800, any access, buffered.
inline constexpr std::uint32_t kIoctlRegisterRead = 0x68000004;
inline constexpr std::uint32_t kIoctlRegisterWrite = 0x68000008;
inline constexpr std::uint32_t kIoctlConfigRead = 0x6800000C;
inline constexpr std::uint32_t kIoctlConfigWrite = 0x68000010;

struct transport_ops {
    // SetupDiGetClassDevsW for the adapters' interface class, present
    // interfaces only. kInvalidInterfaceList on failure.
    interface_list (*open_interface_list)();
    // SetupDiEnumDeviceInterfaces at position index into record. The error
    // number is kErrorNoMoreItems when the position does not exist.
    bool (*enum_interface)(interface_list list, std::uint32_t index, interface_record* record);
    // SetupDiGetDeviceInterfaceDetailW. With no buffer and size 0 it fails
    // with kErrorInsufficientBuffer and stores the size the record needs.
    bool (*get_interface_detail)(interface_list list, const interface_record* record, void* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size);
    // SetupDiDestroyDeviceInfoList.
    void (*close_interface_list)(interface_list list);
    // CreateFileW on the detail record's device path: read access, no
    // sharing, existing device only. kInvalidHandle on failure.
    device_handle (*open_device)(const void* detail);
    // CloseHandle.
    void (*close_device)(device_handle handle);
    // DeviceIoControl, synchronous: in_size bytes from buffer go in, up to
    // out_size bytes come back into the same buffer (out_size 0: no output).
    bool (*device_control)(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                           std::uint32_t out_size);
    // GetLastError.
    std::uint32_t (*last_error)();
    // Sleep.
    void (*sleep_ms)(std::uint32_t milliseconds);
    // sizeof(SP_DEVICE_INTERFACE_DATA) and the fixed part of
    // SP_DEVICE_INTERFACE_DETAIL_DATA_W on this platform.
    std::uint32_t interface_record_size;
    std::uint32_t detail_fixed_size;
};

// The transport this build reaches adapters through: the kernel driver on
// Windows, the emulator elsewhere (or on Windows when built for tests).
const transport_ops* platform_transport();

// The transport in use: the platform's, unless a test has put another in
// its place.
const transport_ops* active_transport();

// Lets a test put a recording fake in place of the platform transport;
// nullptr restores the platform's.
void set_transport_for_testing(const transport_ops* transport);
