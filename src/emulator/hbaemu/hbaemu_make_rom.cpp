// hbaemu make-rom: an Option ROM image file for hbabootcfg --update.
#include "emulator/contents/option_rom_image.h"
#include "emulator/hbaemu/hbaemu_commands.h"

#include <cstdio>

namespace {

// The flash is 512 KiB; the utility itself takes images up to 0x30000 bytes,
// and larger files are allowed here so that its refusal can be tried.
constexpr unsigned long kLargestImage = 0x80000;

int run_make_rom(const hbaemu_arguments& arguments) {
    option_rom_recipe recipe;
    recipe.size = 0x10000;
    recipe.version = {3, 1, 4};
    recipe.vendor_id = 0x1ABC;
    recipe.device_id = 0x0B10;
    std::string file;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        unsigned long number = 0;
        if (word == "--size") {
            if (!has_value || !parse_size_argument(arguments[i + 1], &number) || number < kRomMinimumSize ||
                number > kLargestImage) {
                return usage_error(kMakeRomCommand, "--size needs a number of bytes from 128 to 524288");
            }
            recipe.size = static_cast<std::uint32_t>(number);
            ++i;
        } else if (word == "--version") {
            if (!has_value || !parse_option_rom_version(arguments[i + 1].c_str(), &recipe.version)) {
                return usage_error(kMakeRomCommand, "--version needs A.B.C (A, B up to 255, C up to 65535)");
            }
            ++i;
        } else if (word == "--ids") {
            unsigned vendor = 0;
            unsigned device = 0;
            char extra = 0;
            if (!has_value || std::sscanf(arguments[i + 1].c_str(), "%4x:%4x%c", &vendor, &device, &extra) != 2) {
                return usage_error(kMakeRomCommand, "--ids needs VVVV:DDDD in hexadecimal");
            }
            recipe.vendor_id = static_cast<std::uint16_t>(vendor);
            recipe.device_id = static_cast<std::uint16_t>(device);
            ++i;
        } else if (!word.empty() && word[0] == '-') {
            return usage_error(kMakeRomCommand, "unknown option '" + word + "'");
        } else if (file.empty()) {
            file = word;
        } else {
            return usage_error(kMakeRomCommand, "only one FILE, please");
        }
    }
    if (file.empty()) {
        return usage_error(kMakeRomCommand, "which FILE?");
    }
    const std::vector<std::uint8_t> image = build_option_rom_image(recipe);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "hbaemu make-rom: cannot create %s\n", file.c_str());
        return kHbaemuFailed;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), out) == image.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "hbaemu make-rom: cannot write %s\n", file.c_str());
        return kHbaemuFailed;
    }
    std::printf("%s: Option ROM image of %zu bytes, version %u.%u.%u, IDs %04x:%04x\n", file.c_str(), image.size(),
                recipe.version.major, recipe.version.minor, recipe.version.third, recipe.vendor_id, recipe.device_id);
    return kHbaemuOk;
}

}  // namespace

extern const hbaemu_command kMakeRomCommand = {
    "make-rom",
    "make-rom FILE [--size N] [--version A.B.C] [--ids VVVV:DDDD]",
    "write an Option ROM image file for hbabootcfg --update",
    "Writes a valid Option ROM image to FILE, one that hbabootcfg --update\n"
    "takes for an adapter of the image's IDs: the signature 55 aa, the length\n"
    "in 512-byte blocks, a PCI data structure (\"PCIR\") at 0x20, a $DM$ header\n"
    "with the version at 0x38, filler bytes, and a checksum byte that makes\n"
    "the image's bytes sum to zero. Images are whole blocks; the bytes of a\n"
    "size that is not a multiple of 512 after them are filler, and below 512\n"
    "bytes there is no PCI data structure. Above 255 blocks (the most the\n"
    "header's length byte declares) the file holds a PC-AT image of 64 KiB\n"
    "followed by an EFI image, marked the last.\n"
    "\n"
    "Options:\n"
    "  --size N           image size in bytes, 128 to 524288, decimal, 0x hex,\n"
    "                     or with a K suffix (default 64K). hbabootcfg takes\n"
    "                     images up to 0x30000 bytes; larger ones are for\n"
    "                     trying its refusal.\n"
    "  --version A.B.C    the $DM$ header's version (default 3.1.4)\n"
    "  --ids VVVV:DDDD    vendor and device ID of the PCI data structure\n"
    "                     (default 1abc:0b10)\n",
    run_make_rom,
};
