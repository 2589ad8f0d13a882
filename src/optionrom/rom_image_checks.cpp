#include "optionrom/rom_image_checks.h"

#include "optionrom/expansion_rom_chain.h"
#include "pci/adapter_ids.h"

#include <cstdio>

namespace {

int refuse_format(const expansion_rom_chain& chain) {
    const unsigned image = chain.fault_image;
    const unsigned offset = chain.fault_offset;
    switch (chain.fault) {
        case expansion_rom_fault::cut_short:
            std::fprintf(stderr,
                         "ERROR: Boot image is cut short, image %u at offset 0x%x runs past the end of the file, "
                         "probably an incomplete download!\n",
                         image, offset);
            break;
        case expansion_rom_fault::missing_signature:
            std::fprintf(stderr,
                         "ERROR: Boot image is corrupted, image %u at offset 0x%x does not begin with 0x55 0xAA!\n",
                         image, offset);
            break;
        case expansion_rom_fault::missing_pci_data:
            std::fprintf(stderr, "ERROR: Boot image is corrupted, image %u at offset 0x%x has no PCI data structure!\n",
                         image, offset);
            break;
        case expansion_rom_fault::zero_length:
            std::fprintf(stderr, "ERROR: Boot image is corrupted, image %u at offset 0x%x declares a length of 0!\n",
                         image, offset);
            break;
        case expansion_rom_fault::bad_checksum:
            std::fprintf(stderr,
                         "ERROR: Boot image checksum is wrong, image %u at offset 0x%x sums to 0x%02x instead of 0, "
                         "probably corrupted!\n",
                         image, offset, chain.fault_sum);
            break;
        case expansion_rom_fault::none:
        case expansion_rom_fault::undeclared: return 0;
    }
    return -1;
}

bool image_fits_adapter(const std::uint8_t* image, const expansion_rom_image& entry, std::uint16_t vendor_id,
                        std::uint16_t device_id) {
    return entry.vendor_id == vendor_id &&
           (entry.device_id == device_id || expansion_rom_lists_device(image, entry, device_id));
}

// The firmware runs an image only on a device whose IDs it names.
int compare_ids(std::uint8_t adapter, const std::uint8_t* image, const expansion_rom_chain& chain, rom_id_check ids,
                rom_image_ids* found) {
    if (!chain.images.empty()) {
        found->image_known = true;
        found->image = {chain.images.front().vendor_id, chain.images.front().device_id};
    }
    pci_ids adapter_ids{};
    if (read_config_space_ids(adapter, &adapter_ids) != 0) {
        say_ids_not_compared("image's");
        return 0;
    }
    found->adapter_known = true;
    found->adapter = adapter_ids;
    const std::uint16_t vendor_id = adapter_ids.vendor_id;
    const std::uint16_t device_id = adapter_ids.device_id;
    for (const expansion_rom_image& entry : chain.images) {
        if (image_fits_adapter(image, entry, vendor_id, device_id)) {
            continue;
        }
        found->image = {entry.vendor_id, entry.device_id};
        if (ids == rom_id_check::waived) {
            std::printf(
                "Boot image is for device %04x:%04x, this Adapter is device %04x:%04x, written anyway "
                "as --force asks.\n",
                entry.vendor_id, entry.device_id, vendor_id, device_id);
            return 0;
        }
        std::fprintf(stderr,
                     "ERROR: Boot image is for device %04x:%04x, this Adapter is device %04x:%04x, use --force to "
                     "write it anyway!\n",
                     entry.vendor_id, entry.device_id, vendor_id, device_id);
        return -1;
    }
    return 0;
}

}  // namespace

int check_rom_image(std::uint8_t adapter, const std::uint8_t* image, std::uint32_t size, rom_id_check ids,
                    rom_image_ids* found) {
    rom_image_ids unused{};
    rom_image_ids* ids_found = found != nullptr ? found : &unused;
    *ids_found = {};
    const expansion_rom_chain chain = walk_expansion_rom_chain(image, size);
    if (chain.fault == expansion_rom_fault::undeclared) {
        return 0;
    }
    if (refuse_format(chain) != 0) {
        return -1;
    }
    return compare_ids(adapter, image, chain, ids, ids_found);
}
