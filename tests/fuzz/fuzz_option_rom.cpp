// An Option ROM image as --update checks it before it erases anything: size,
// signature, then the expansion ROM chain with each image's IDs compared
// with those of an emulated adapter, with and without --force. The adapter
// refuses every flash controller request, so an image that passes every
// check ends at the first erase and the flash is never written.
#include "fuzz_support.h"
#include "optionrom/rom_update.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    open_emulated_adapter("register-error 31\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<std::uint32_t>(size);
    if (length != size) {
        return 0;
    }
    // libFuzzer hands over a heap copy of exactly size bytes, so
    // AddressSanitizer sees any read past the image's end.
    write_rom_image(0, data, length, rom_id_check::required);
    write_rom_image(0, data, length, rom_id_check::waived);
    return 0;
}
