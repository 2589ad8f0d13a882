// hbaemu show: what an adapter's flash holds, read from its files.
#include "emulator/contents/flash_report.h"
#include "emulator/contents/realistic_contents.h"
#include "emulator/hbaemu/hbaemu_commands.h"
#include "emulator/model/adapter_model.h"
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

unsigned le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return at + 1 < bytes.size() ? static_cast<unsigned>(bytes[at] | (bytes[at + 1] << 8)) : 0;
}

std::string ids_text(const std::vector<std::uint8_t>& bytes, std::size_t vendor_at, std::size_t device_at) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", le16(bytes, vendor_at), le16(bytes, device_at));
    return text;
}

void show_adapter(const fs::path& folder, unsigned long index) {
    const std::vector<std::uint8_t> flash = read_bytes(folder / "flash.bin");
    const std::vector<std::uint8_t> config = read_bytes(folder / "config.bin");
    const std::vector<std::uint8_t> vpd = read_bytes(folder / "vpd.bin");
    std::printf("Adapter %lu: %s\n", index, folder.string().c_str());
    std::printf("IDs: %s in config.bin, %s in VPD at 0x194e\n", ids_text(config, 0, 2).c_str(),
                ids_text(vpd, kVpdVendorIdAddress, kVpdDeviceIdAddress).c_str());
    if (flash.size() != kEmulatedFlashSize) {
        std::printf("flash.bin has %zu bytes instead of %u: the adapter cannot be opened\n", flash.size(),
                    kEmulatedFlashSize);
        return;
    }
    std::fputs(describe_option_rom(flash).c_str(), stdout);
    std::fputs(describe_settings_record(flash).c_str(), stdout);
}

int run_show(const hbaemu_arguments& arguments) {
    if (arguments.size() > 1) {
        return usage_error(kShowCommand, "at most one adapter index");
    }
    const std::string root = emulator_root();
    const std::vector<std::string> folders = list_adapter_folders(root);
    if (arguments.size() == 1) {
        const std::string folder = adapter_folder_by_index(root, arguments[0]);
        if (folder.empty()) {
            return kHbaemuFailed;
        }
        show_adapter(folder, std::stoul(arguments[0], nullptr, 0));
        return kHbaemuOk;
    }
    if (folders.empty()) {
        std::printf("no adapters in %s\n", root.c_str());
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i > 0) {
            std::printf("\n");
        }
        show_adapter(fs::path(root) / folders[i], i);
    }
    return kHbaemuOk;
}

}  // namespace

extern const hbaemu_command kShowCommand = {
    "show",
    "show [N]",
    "show what adapter N's flash holds (every adapter without N)",
    "Shows adapter N (its index, 0 first), or every adapter:\n"
    "  - the vendor and device IDs in config.bin and in the VPD;\n"
    "  - the Option ROM: signature, length byte, checksum, PCI data\n"
    "    structure, $DM$ header and the version it gives;\n"
    "  - the boot settings record at flash 0x30000 as a hex dump, one field a\n"
    "    line with its offset and name and, where it has one, its meaning\n"
    "    (text, address, number).\n"
    "The files are read directly, so show works while hbabootcfg has the\n"
    "adapter open.\n",
    run_show,
};
