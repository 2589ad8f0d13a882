// hbaemu list: the adapters in index order, one line each.
#include "emulator/contents/flash_report.h"
#include "emulator/contents/realistic_contents.h"
#include "emulator/hbaemu/hbaemu_commands.h"
#include "emulator/model/emulator_root.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string vpd_ids_text(const std::vector<std::uint8_t>& vpd) {
    if (vpd.size() < kVpdDeviceIdAddress + 2) {
        return "????:????";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vpd[kVpdVendorIdAddress] | (vpd[kVpdVendorIdAddress + 1] << 8),
                  vpd[kVpdDeviceIdAddress] | (vpd[kVpdDeviceIdAddress + 1] << 8));
    return text;
}

int run_list(const hbaemu_arguments& arguments) {
    if (!arguments.empty()) {
        return usage_error(kListCommand, "no arguments, please");
    }
    const std::string root = emulator_root();
    const std::string root_problem = emulator_root_problem(root);
    if (!root_problem.empty()) {
        std::fprintf(stderr, "hbaemu: %s\n", root_problem.c_str());
    }
    const std::vector<std::string> folders = list_adapter_folders(root);
    std::printf("%zu adapter%s in %s\n", folders.size(), folders.size() == 1 ? "" : "s", root.c_str());
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const fs::path folder = fs::path(root) / folders[i];
        const std::vector<std::uint8_t> flash = read_bytes(folder / "flash.bin");
        const std::vector<std::uint8_t> vpd = read_bytes(folder / "vpd.bin");
        const std::string version = option_rom_version_text(flash);
        std::error_code ec;
        std::printf("%2zu  %-16s %s  Option ROM %s%s%s\n", i, folders[i].c_str(), vpd_ids_text(vpd).c_str(),
                    version.empty()
                        ? (flash.size() >= 2 && flash[0] == 0x55 && flash[1] == 0xAA ? "without $DM$" : "none")
                        : version.c_str(),
                    check_adapter_files(folder.string()) != 0 ? "  (files missing or of the wrong size)" : "",
                    fs::exists(folder / "faults", ec) ? "  (faults)" : "");
    }
    return kHbaemuOk;
}

}  // namespace

extern const hbaemu_command kListCommand = {
    "list",
    "list",
    "list the adapters with their IDs and Option ROM versions",
    "Lists the adapters of the emulator root in index order: index, folder,\n"
    "vendor:device from the VPD, Option ROM version, and whether the folder\n"
    "is unusable or has a faults file.\n",
    run_list,
};
