// Installs the virtual adapter driver under wine: one root-enumerated device
// per emulated adapter folder, each told its folder through its hardware
// key, with the driver from hbaemu_adapter.inf as their function driver.
//   hbaemu_adapter_setup install INF FOLDER...   replaces every virtual adapter
//                                                with one per FOLDER, in order
//   hbaemu_adapter_setup remove                  removes every virtual adapter
//   hbaemu_adapter_setup start                   loads the driver, which then
//                                                starts every installed device
//   hbaemu_adapter_setup trace [FILE]            the trace file of later opens
// A test fixture like the driver; not part of the utility.
#include "emulator/windows_driver/virtual_adapter_ids.h"

#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The device setup class of the virtual adapters (ClassGuid of the INF).
const GUID kVirtualAdapterSetupClass = {0x58CA1B24, 0xCC0A, 0x410D, {0x93, 0x40, 0xB6, 0x88, 0xF9, 0x47, 0x4B, 0xDF}};

int report_failure(const char* what) {
    std::fprintf(stderr, "hbaemu_adapter_setup: %s failed: %lu\n", what, GetLastError());
    return 1;
}

int remove_devices() {
    HDEVINFO set = SetupDiGetClassDevsW(&kVirtualAdapterSetupClass, nullptr, nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        return report_failure("SetupDiGetClassDevs");
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    int result = 0;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (!SetupDiCallClassInstaller(DIF_REMOVE, set, &device)) {
            result = report_failure("DIF_REMOVE");
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

// Creates device ROOT\HBAEMU_ADAPTER\nnnn and stores its adapter folder.
bool create_device(HDEVINFO set, unsigned index, const wchar_t* folder) {
    wchar_t instance[64];
    std::swprintf(instance, 64, L"%ls\\%04u", VIRTUAL_ADAPTER_ENUMERATOR, index);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoW(set, instance, &kVirtualAdapterSetupClass, nullptr, nullptr, 0, &device)) {
        return report_failure("SetupDiCreateDeviceInfo") == 0;
    }
    // A multi-string: the ID, then an empty string.
    static const wchar_t kHardwareIds[] = VIRTUAL_ADAPTER_HARDWARE_ID L"\0";
    if (!SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(kHardwareIds),
                                           sizeof kHardwareIds) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        return report_failure("registering the device") == 0;
    }
    HKEY key = SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) {
        return report_failure("SetupDiCreateDevRegKey") == 0;
    }
    const auto bytes = static_cast<DWORD>((std::wcslen(folder) + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetValueExW(key, VIRTUAL_ADAPTER_FOLDER_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return report_failure("storing the adapter folder") == 0;
    }
    return true;
}

int install_devices(const wchar_t* inf, int count, wchar_t** folders) {
    if (remove_devices() != 0) {
        return 1;
    }
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kVirtualAdapterSetupClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        return report_failure("SetupDiCreateDeviceInfoList");
    }
    bool created = true;
    for (int i = 0; i < count && created; ++i) {
        created = create_device(set, static_cast<unsigned>(i), folders[i]);
    }
    SetupDiDestroyDeviceInfoList(set);
    if (!created) {
        return 1;
    }
    if (count == 0) {
        return 0;
    }
    wchar_t full_inf[MAX_PATH];
    if (GetFullPathNameW(inf, MAX_PATH, full_inf, nullptr) == 0) {
        return report_failure("GetFullPathName");
    }
    BOOL reboot = FALSE;
    if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, VIRTUAL_ADAPTER_HARDWARE_ID, full_inf, INSTALLFLAG_FORCE,
                                            &reboot)) {
        return report_failure("UpdateDriverForPlugAndPlayDevices");
    }
    return 0;
}

// A demand-start driver is loaded once per wine session; loading it starts
// the devices installed for it.
int start_driver() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) {
        return report_failure("OpenSCManager");
    }
    SC_HANDLE service = OpenServiceW(manager, VIRTUAL_ADAPTER_SERVICE, SERVICE_START);
    int result = 0;
    if (service == nullptr) {
        result = report_failure("OpenService");
    } else {
        if (!StartServiceW(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
            result = report_failure("StartService");
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

int set_trace_file(const wchar_t* file) {
    const std::wstring path = std::wstring(L"System\\CurrentControlSet\\Services\\") + VIRTUAL_ADAPTER_SERVICE + L"\\" +
                              VIRTUAL_ADAPTER_PARAMETERS_KEY;
    HKEY key = nullptr;
    LSTATUS status =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const auto bytes = static_cast<DWORD>((std::wcslen(file) + 1) * sizeof(wchar_t));
        status =
            RegSetValueExW(key, VIRTUAL_ADAPTER_TRACE_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(file), bytes);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return report_failure("storing the trace file");
    }
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: hbaemu_adapter_setup install INF FOLDER...\n"
                 "       hbaemu_adapter_setup remove\n"
                 "       hbaemu_adapter_setup start\n"
                 "       hbaemu_adapter_setup trace [FILE]\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::wstring command = argv[1];
    if (command == L"install" && argc >= 3) {
        return install_devices(argv[2], argc - 3, argv + 3);
    }
    if (command == L"remove" && argc == 2) {
        return remove_devices();
    }
    if (command == L"start" && argc == 2) {
        return start_driver();
    }
    if (command == L"trace" && argc <= 3) {
        return set_trace_file(argc == 3 ? argv[2] : L"");
    }
    return usage();
}
