// The emulated adapter's hardware, as the driver requests see it: the flash
// controller's two registers in front of a SPI NOR flash, and the PCI
// configuration space with its VPD capability.
//
// The emulator transport opens one model per device handle and forwards the
// four driver requests to it after applying the request-level faults
// (register-error, config-*-error, fail-after) and writing the trace. The
// model applies the hardware faults itself.
#pragma once

#include "emulator/model/emulator_faults.h"

#include <cstdint>
#include <string>

struct adapter_model;

// The files of an adapter folder and their exact sizes.
inline constexpr std::uint32_t kEmulatedFlashSize = 524288;
inline constexpr std::uint32_t kEmulatedConfigSize = 256;
inline constexpr std::uint32_t kEmulatedVpdSize = 8192;

// Powers the adapter on from its folder: the flash and VPD storage are the
// non-volatile files, the configuration space starts as config.bin. The
// caller has checked that the three files exist with their sizes. nullptr
// with *error set (a Windows error number) when the files cannot be used.
adapter_model* adapter_model_open(const std::string& folder, const emulator_faults& faults, std::uint32_t* error);
void adapter_model_close(adapter_model* model);

// Register space: 0x6D8 flash data, 0x6DC flash control; others read 0.
std::uint32_t adapter_model_reg_read(adapter_model* model, std::uint32_t offset);
void adapter_model_reg_write(adapter_model* model, std::uint32_t offset, std::uint32_t value);

// PCI configuration space, 4 bytes at any offset 0 to 252; false with *error
// (87) beyond.
bool adapter_model_config_read(adapter_model* model, std::uint32_t offset, std::uint32_t* value, std::uint32_t* error);
bool adapter_model_config_write(adapter_model* model, std::uint32_t offset, std::uint32_t value, std::uint32_t* error);
