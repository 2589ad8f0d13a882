// Every offset is checked against the file before it is read: the fields of
// a damaged or hostile image decide where the walk goes next.
#include "optionrom/expansion_rom_chain.h"

#include "optionrom/expansion_rom_format.h"

#include <cstring>

namespace {

std::uint16_t le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Whether the bytes at offset hold "PCIR" inside the file.
bool has_pci_data_signature(const std::uint8_t* image, std::uint32_t size, std::uint64_t offset) {
    return offset + sizeof kPciDataSignature <= size &&
           std::memcmp(image + offset, kPciDataSignature, sizeof kPciDataSignature) == 0;
}

struct chain_walk {
    const std::uint8_t* image;
    std::uint32_t size;
    expansion_rom_chain chain;

    void fail(expansion_rom_fault fault, std::uint32_t offset) {
        chain.fault = fault;
        chain.fault_image = static_cast<std::uint32_t>(chain.images.size()) + 1;
        chain.fault_offset = offset;
    }

    // A PC-AT image's bytes over the length in its ROM header sum to 0; the
    // firmware skips an image whose sum is anything else.
    bool checksum_holds(std::uint32_t offset, const expansion_rom_header& header) {
        const std::uint64_t end = offset + std::uint64_t{header.length_blocks} * kExpansionRomBlockSize;
        if (end > size) {
            fail(expansion_rom_fault::cut_short, offset);
            return false;
        }
        std::uint8_t sum = 0;
        for (std::uint64_t i = offset; i < end; ++i) {
            sum = static_cast<std::uint8_t>(sum + image[i]);
        }
        if (sum != 0) {
            fail(expansion_rom_fault::bad_checksum, offset);
            chain.fault_sum = sum;
            return false;
        }
        return true;
    }

    // Checks the image at offset and appends it; false with the fault set.
    // *last tells whether it is marked the last of the chain.
    bool take_image(std::uint32_t offset, bool* last) {
        expansion_rom_header header;
        if (std::uint64_t{offset} + sizeof header > size) {
            // Past the end, or too short for a header: the chain was cut.
            fail(expansion_rom_fault::cut_short, offset);
            return false;
        }
        std::memcpy(&header, image + offset, sizeof header);
        if (header.signature[0] != 0x55 || header.signature[1] != 0xAA) {
            fail(expansion_rom_fault::missing_signature, offset);
            return false;
        }
        const std::uint64_t pci_at = std::uint64_t{offset} + header.pci_data_offset;
        if (!has_pci_data_signature(image, size, pci_at)) {
            fail(offset == 0 ? expansion_rom_fault::undeclared : expansion_rom_fault::missing_pci_data, offset);
            return false;
        }
        pci_data_structure pci;
        if (pci_at + sizeof pci > size) {
            fail(expansion_rom_fault::cut_short, offset);
            return false;
        }
        std::memcpy(&pci, image + pci_at, sizeof pci);
        if (pci.image_blocks == 0) {
            fail(expansion_rom_fault::zero_length, offset);
            return false;
        }
        const std::uint64_t end = offset + std::uint64_t{pci.image_blocks} * kExpansionRomBlockSize;
        if (end > size) {
            fail(expansion_rom_fault::cut_short, offset);
            return false;
        }
        if (pci.code_type == kPciCodeTypePcAt && !checksum_holds(offset, header)) {
            return false;
        }
        const bool has_list = pci.revision >= kPciDeviceListRevision && pci.device_list_offset != 0;
        chain.images.push_back({offset, static_cast<std::uint32_t>(end), pci.vendor_id, pci.device_id,
                                has_list ? static_cast<std::uint32_t>(pci_at + pci.device_list_offset) : 0u,
                                pci.code_type});
        *last = (pci.indicator & kPciIndicatorLastImage) != 0;
        return true;
    }
};

}  // namespace

// Each image is at least one block long and lies inside the file, so the
// offsets only grow and the walk ends after at most size / 512 images.
expansion_rom_chain walk_expansion_rom_chain(const std::uint8_t* image, std::uint32_t size) {
    chain_walk walk{image, size, {expansion_rom_fault::none, {}, 0, 0, 0}};
    std::uint32_t offset = 0;
    for (;;) {
        bool last = false;
        if (!walk.take_image(offset, &last)) {
            break;
        }
        if (last) {
            break;
        }
        offset = walk.chain.images.back().end;
    }
    return walk.chain;
}

bool expansion_rom_lists_device(const std::uint8_t* image, const expansion_rom_image& entry, std::uint16_t device_id) {
    if (entry.device_list == 0) {
        return false;
    }
    for (std::uint32_t at = entry.device_list; at + 2 <= entry.end; at += 2) {
        const std::uint16_t listed = le16(image + at);
        if (listed == 0) {
            return false;
        }
        if (listed == device_id) {
            return true;
        }
    }
    return false;
}
