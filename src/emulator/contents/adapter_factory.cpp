#include "emulator/contents/adapter_factory.h"

#include "emulator/contents/adapter_profile.h"
#include "emulator/contents/realistic_contents.h"
#include "emulator/model/emulator_root.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool write_file(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

std::string create_realistic_adapter(const std::string& root, int index) {
    if (index < 0 || index >= kMaxEmulatedAdapters) {
        return "adapter index " + std::to_string(index) + " is outside 0 to 19";
    }
    const adapter_profile profile = realistic_adapter_profile(index);
    const fs::path folder = fs::path(root) / profile.folder_name;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return "cannot create " + folder.string() + ": " + ec.message();
    }
    // config.bin and vpd.bin first: a folder counts as an adapter once it
    // has flash.bin, and by then the rest is in place.
    if (!write_file(folder / "config.bin", build_realistic_config_space(profile)) ||
        !write_file(folder / "vpd.bin", build_realistic_vpd(profile)) ||
        !write_file(folder / "flash.bin", build_realistic_flash(profile))) {
        return "cannot write the files of " + folder.string();
    }
    return {};
}

std::string create_realistic_adapters(const std::string& root, int count, bool force) {
    if (count < 1 || count > kMaxEmulatedAdapters) {
        return "the count must be 1 to " + std::to_string(kMaxEmulatedAdapters);
    }
    const std::vector<std::string> existing = list_adapter_folders(root);
    if (!existing.empty() && !force) {
        return root + " already holds " + std::to_string(existing.size()) + " adapter(s); use --force to replace them";
    }
    for (const std::string& name : existing) {
        std::error_code ec;
        fs::remove_all(fs::path(root) / name, ec);
        if (ec) {
            return "cannot remove " + (fs::path(root) / name).string() + ": " + ec.message();
        }
    }
    for (int index = 0; index < count; ++index) {
        const std::string problem = create_realistic_adapter(root, index);
        if (!problem.empty()) {
            return problem;
        }
    }
    return {};
}
