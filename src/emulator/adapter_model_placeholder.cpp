// Stand-in for the hardware model until it is built: registers read 0 and the
// configuration space is config.bin, read only.
#include "emulator/adapter_model.h"

#include <cstdio>
#include <cstring>

struct adapter_model {
    unsigned char config[kEmulatedConfigSize];
};

adapter_model* adapter_model_open(const std::string& folder, const emulator_faults&, std::uint32_t* error) {
    auto* model = new adapter_model{};
    std::FILE* f = std::fopen((folder + "/config.bin").c_str(), "rb");
    if (f == nullptr || std::fread(model->config, 1, sizeof model->config, f) != sizeof model->config) {
        if (f != nullptr) {
            std::fclose(f);
        }
        delete model;
        *error = 13;
        return nullptr;
    }
    std::fclose(f);
    return model;
}

void adapter_model_close(adapter_model* model) {
    delete model;
}

std::uint32_t adapter_model_reg_read(adapter_model*, std::uint32_t) {
    return 0;
}

void adapter_model_reg_write(adapter_model*, std::uint32_t, std::uint32_t) {}

bool adapter_model_config_read(adapter_model* model, std::uint32_t offset, std::uint32_t* value, std::uint32_t* error) {
    if (offset > kEmulatedConfigSize - 4) {
        *error = 87;
        return false;
    }
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | model->config[offset + i];
    }
    *value = v;
    return true;
}

bool adapter_model_config_write(adapter_model*, std::uint32_t offset, std::uint32_t, std::uint32_t* error) {
    if (offset > kEmulatedConfigSize - 4) {
        *error = 87;
        return false;
    }
    return true;
}
