// The names the virtual adapter driver and its installer agree on: the
// driver service, the hardware ID of the root-enumerated devices, the
// device setup class, and the registry values that carry each device's
// adapter folder and the trace file.
#pragma once

// The kernel driver service and its image, hbaemu_adapter.sys.
#define VIRTUAL_ADAPTER_SERVICE L"hbaemu_adapter"
// Root-enumerated devices: instance IDs ROOT\HBAEMU_ADAPTER\0000, 0001, ...
// in the byte-wise order of the adapter folders, so that SetupAPI lists their
// interfaces in the order the emulator enumerates the folders.
#define VIRTUAL_ADAPTER_ENUMERATOR L"ROOT\\HBAEMU_ADAPTER"
#define VIRTUAL_ADAPTER_HARDWARE_ID L"root\\hbaemu_adapter"

// In each device's hardware key: the adapter folder (a Windows path, REG_SZ).
#define VIRTUAL_ADAPTER_FOLDER_VALUE L"AdapterFolder"
// In the service key's Parameters subkey: the trace file (REG_SZ), read at
// every open of a device. Absent or empty: no trace.
#define VIRTUAL_ADAPTER_PARAMETERS_KEY L"Parameters"
#define VIRTUAL_ADAPTER_TRACE_VALUE L"Trace"
