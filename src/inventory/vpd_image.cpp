// Reads an adapter's two VPD ranges and makes the VPD image of its record:
// the fixed keyword layout over the adapter's data, with the RV checksum.
#include "inventory/vpd_image.h"

#include "inventory/vpd_layout.h"
#include "pci/vpd_access.h"

#include <cstdio>
#include <cstring>

namespace {

// The four bytes of a VPD dword, the byte at the lowest address in bits 0-7.
void store_word(std::uint8_t* buffer, std::uint32_t address, std::uint32_t word) {
    for (std::uint32_t i = 0; i < 4; ++i) {
        buffer[address + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

struct vpd_range {
    std::uint32_t start;
    std::uint32_t size;
};

constexpr vpd_range kVpdRanges[] = {
    {kVpdImageStart, kVpdImageSize},
    {kVpdHighBlockStart, kVpdHighBlockSize},
};

// The PCI VPD checksum: the RV checksum byte makes every image byte from the
// first tag up to and including itself sum to zero modulo 256.
std::uint8_t vpd_checksum(const std::uint8_t* image) {
    std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i < kVpdChecksumOffset; ++i) {
        sum = static_cast<std::uint8_t>(sum + image[i]);
    }
    return static_cast<std::uint8_t>(0x100 - sum);
}

}  // namespace

void vpd_read_ranges(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint8_t* buffer) {
    // One word receives every read, so a failed read repeats the previous
    // word (zero before the first).
    std::uint32_t word = 0;
    // Once a read has timed out the adapter's VPD engine is stuck or gone: a
    // new read must not be started while one is outstanding, and waiting out
    // every remaining word would stall the list for a minute per adapter. The
    // remaining words are stored as failed reads, keeping the word's value.
    bool stuck = false;
    for (const vpd_range& range : kVpdRanges) {
        for (std::uint32_t address = range.start; address < range.start + range.size; address += 4) {
            if (!stuck && vpd_read_word(adapter, vpd_capability, address, &word) == kVpdTimedOut) {
                stuck = true;
            }
            store_word(buffer, address, word);
        }
    }
    if (stuck) {
        std::fprintf(stderr, "ERROR: VPD read did not complete.\n");
    }
    std::printf("\n");
}

void vpd_build_image(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint8_t* buffer, std::uint8_t* image,
                     std::uint8_t* high_block) {
    vpd_read_ranges(adapter, vpd_capability, buffer);
    std::memcpy(image, buffer + kVpdImageStart, kVpdImageSize);
    std::memcpy(high_block, buffer + kVpdHighBlockStart, kVpdHighBlockSize);
    vpd_apply_layout(image);
    image[kVpdChecksumOffset] = vpd_checksum(image);
}
