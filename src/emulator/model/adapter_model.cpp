// One emulated adapter: the flash controller with its SPI NOR part, and the
// PCI configuration space with its VPD capability, over the adapter folder's
// files. The hardware faults of the folder's faults file shape the timing.
#include "emulator/model/adapter_model.h"

#include "emulator/model/flash_controller_model.h"
#include "emulator/model/pci_config_space.h"
#include "emulator/model/persistent_storage.h"
#include "emulator/model/spi_nor_flash.h"

#include <cstdio>

static_assert(kEmulatedFlashSize == kNorSize);
static_assert(kEmulatedConfigSize == kConfigSpaceSize);
static_assert(kEmulatedVpdSize == kVpdStorageSize);

struct adapter_model {
    persistent_storage flash_cells;
    persistent_storage vpd_cells;
    spi_nor_flash flash;
    flash_controller_model controller;
    pci_config_space config;
};

namespace {

constexpr std::uint32_t kErrorInvalidData = 13;
constexpr std::uint32_t kErrorInvalidParameter = 87;

bool load_config(const std::string& path, std::uint8_t (&bytes)[kConfigSpaceSize]) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fread(bytes, 1, kConfigSpaceSize, f) == kConfigSpaceSize;
    std::fclose(f);
    return ok;
}

nor_busy_timing flash_timing(const emulator_faults& faults) {
    nor_busy_timing timing;
    timing.program_status_reads = faults.program_busy_polls;
    timing.erase_status_reads = faults.erase_busy_polls;
    timing.program_time_us = faults.program_time_us;
    timing.erase_time_ms = faults.erase_time_ms;
    timing.never_ready = faults.flash_stuck;
    return timing;
}

}  // namespace

adapter_model* adapter_model_open(const std::string& folder, const emulator_faults& faults, std::uint32_t* error) {
    std::uint8_t power_on[kConfigSpaceSize];
    if (!load_config(folder + "/config.bin", power_on)) {
        *error = kErrorInvalidData;
        return nullptr;
    }
    auto* model = new adapter_model;
    if (!storage_open(folder + "/flash.bin", kNorSize, &model->flash_cells, error) ||
        !storage_open(folder + "/vpd.bin", kVpdStorageSize, &model->vpd_cells, error)) {
        storage_close(&model->flash_cells);
        storage_close(&model->vpd_cells);
        delete model;
        return nullptr;
    }
    nor_attach(&model->flash, &model->flash_cells, flash_timing(faults));
    controller_attach(&model->controller, &model->flash, faults.controller_busy_reads, faults.controller_stuck);
    config_power_on(&model->config, power_on, &model->vpd_cells, faults.vpd_busy_reads, faults.vpd_stuck);
    return model;
}

void adapter_model_close(adapter_model* model) {
    if (model == nullptr) {
        return;
    }
    controller_power_down(&model->controller);
    vpd_power_down(&model->config.vpd);
    storage_close(&model->flash_cells);
    storage_close(&model->vpd_cells);
    delete model;
}

std::uint32_t adapter_model_reg_read(adapter_model* model, std::uint32_t offset) {
    return controller_read_register(&model->controller, offset);
}

void adapter_model_reg_write(adapter_model* model, std::uint32_t offset, std::uint32_t value) {
    controller_write_register(&model->controller, offset, value);
}

bool adapter_model_config_read(adapter_model* model, std::uint32_t offset, std::uint32_t* value, std::uint32_t* error) {
    if (!config_read_dword(&model->config, offset, value)) {
        *error = kErrorInvalidParameter;
        return false;
    }
    return true;
}

bool adapter_model_config_write(adapter_model* model, std::uint32_t offset, std::uint32_t value, std::uint32_t* error) {
    if (!config_write_dword(&model->config, offset, value)) {
        *error = kErrorInvalidParameter;
        return false;
    }
    return true;
}
