#include "backup/crc32.h"

std::uint32_t crc32_update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size) {
    // Bit by bit: 200 KiB once per backup or restore costs a few
    // milliseconds, against seconds of flash requests.
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}
