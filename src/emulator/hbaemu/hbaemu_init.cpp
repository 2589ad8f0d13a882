// hbaemu init: realistic adapters under the emulator root.
#include "emulator/contents/adapter_factory.h"
#include "emulator/contents/adapter_profile.h"
#include "emulator/hbaemu/hbaemu_commands.h"
#include "emulator/model/emulator_root.h"

#include <cstdio>

namespace {

int run_init(const hbaemu_arguments& arguments) {
    unsigned long count = 2;
    bool force = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--force" || word == "-f") {
            force = true;
        } else if (word == "--count" || word == "-n") {
            if (i + 1 >= arguments.size() || !parse_size_argument(arguments[i + 1], &count)) {
                return usage_error(kInitCommand, "--count needs a number");
            }
            ++i;
        } else {
            return usage_error(kInitCommand, "unexpected '" + word + "'");
        }
    }
    if (count < 1 || count > static_cast<unsigned long>(kMaxEmulatedAdapters)) {
        return usage_error(kInitCommand, "--count must be 1 to 20");
    }
    const std::string root = emulator_root();
    const std::string problem = create_realistic_adapters(root, static_cast<int>(count), force);
    if (!problem.empty()) {
        std::fprintf(stderr, "hbaemu init: %s\n", problem.c_str());
        return kHbaemuFailed;
    }
    for (unsigned long index = 0; index < count; ++index) {
        const adapter_profile p = realistic_adapter_profile(static_cast<int>(index));
        std::printf("%s  adapter %lu  %04x:%04x  Option ROM %u.%u.%u\n", p.folder_name.c_str(), index, p.vendor_id,
                    p.device_id, p.rom.version.major, p.rom.version.minor, p.rom.version.third);
    }
    std::printf("%lu adapter%s in %s\n", count, count == 1 ? "" : "s", root.c_str());
    return kHbaemuOk;
}

}  // namespace

extern const hbaemu_command kInitCommand = {
    "init",
    "init [--count N] [--force]",
    "create N realistic adapters (default 2)",
    "Creates N adapters (1 to 20, default 2) in the emulator root, named\n"
    "adapter00, adapter01, ... so that they take their index in that order.\n"
    "The root is created if it is missing.\n"
    "\n"
    "Each adapter gets:\n"
    "  flash.bin   an Option ROM of 48 KiB from offset 0 (signature 55 aa,\n"
    "              PCI data structure, $DM$ header with version 2.x.y, valid\n"
    "              checksum), a boot settings record at 0x30000 (version\n"
    "              0x0200, static addressing, one target portal), the rest\n"
    "              erased;\n"
    "  vpd.bin     a PCI VPD structure at 0xC00 (identifier string, read-only\n"
    "              item PN EC SL NA V0..VA with the RV checksum, read-write\n"
    "              item VC..VF and RW, end tag) and the vendor and device ID\n"
    "              words at 0x194E and 0x1950;\n"
    "  config.bin  a PCI configuration space with the same IDs and a\n"
    "              capability list that ends in the VPD capability (ID 3).\n"
    "Vendor ID, device ID, Option ROM version and serial number differ from\n"
    "adapter to adapter.\n"
    "\n"
    "Options:\n"
    "  --count N, -n N   how many adapters\n"
    "  --force, -f       replace the adapters already in the root: every\n"
    "                    adapter folder there is removed first (other files\n"
    "                    of the root, such as its faults file, stay)\n"
    "\n"
    "Without --force, init refuses to touch a root that already holds\n"
    "adapters.\n",
    run_init,
};
