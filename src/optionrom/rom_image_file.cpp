// The image file is taken byte for byte ("rb": no text translation). Its
// length comes from seeking to its end rather than from reading it, so an
// operator who points the update at the wrong, huge file gets a refusal at
// once instead of a long read into memory.
#include "optionrom/rom_image_file.h"

#include "flash/flash_geometry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// The length of the open stream, or -1 when it cannot be learnt (a pipe or
// another stream that cannot seek). Leaves the stream at its start.
long stream_length(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const long length = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        return -1;
    }
    return length;
}

// Opening a directory "succeeds" on POSIX systems and seeking to its end
// yields a meaningless huge offset; on Windows the open itself fails. Treat
// it as a file that cannot be opened everywhere.
bool is_directory(const char* path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

}  // namespace

int load_rom_image_file(const char* path, std::uint8_t** image, std::uint32_t* size) {
    std::FILE* file = is_directory(path) ? nullptr : std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "ERROR: Could not open the file!\n");
        return -1;
    }
    const long length = stream_length(file);
    if (length < 0) {
        std::fclose(file);
        std::fprintf(stderr, "ERROR: Could not read from the file!\n");
        return -1;
    }
    if (static_cast<unsigned long>(length) > kOptionRomMaxSize) {
        std::fclose(file);
        std::fprintf(stderr, "ERROR: File is too large!\n");
        return -1;
    }

    // One byte at least, so that an empty file still gets a buffer and is
    // refused for its size rather than as an allocation failure.
    const std::size_t capacity = length > 0 ? static_cast<std::size_t>(length) : 1;
    auto* buffer = static_cast<std::uint8_t*>(std::calloc(capacity, 1));
    if (buffer == nullptr) {
        std::fclose(file);
        return -1;
    }
    // A read that delivers less than the length (the file shrank meanwhile)
    // is no error: the image is then that much shorter. Reading no more than
    // the length keeps a file that grew meanwhile within the buffer.
    const std::size_t delivered = std::fread(buffer, 1, static_cast<std::size_t>(length), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        std::free(buffer);
        std::fprintf(stderr, "ERROR: Could not read from the file!\n");
        return -1;
    }
    *image = buffer;
    *size = static_cast<std::uint32_t>(delivered);
    return 0;
}
