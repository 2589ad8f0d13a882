// The image file is taken byte for byte ("rb": no text translation). Its
// length comes from seeking to its end rather than from reading it, so an
// operator who points the update at the wrong, huge file gets a refusal at
// once instead of a long read into memory.
#include "optionrom/rom_image_file.h"

#include "device/platform_file.h"
#include "flash/flash_geometry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// The length of the open stream, or -1 when it cannot be learnt (a pipe or
// another stream that cannot seek). Leaves the stream at its start. 64-bit
// offsets on Windows too, where long is 32 bits: a file of several GiB must
// still be recognised as too large.
long long stream_length(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const long long length = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) {
        return -1;
    }
#else
    if (fseeko(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const long long length = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) {
        return -1;
    }
#endif
    return length;
}

// Opening a directory "succeeds" on POSIX systems and seeking to its end
// yields a meaningless huge offset; on Windows the open itself fails. Treat
// it as a file that cannot be opened everywhere.
bool names_directory(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

int refuse_too_large(std::FILE* file) {
    std::fclose(file);
    std::fprintf(stderr, "ERROR: File is too large!\n");
    return -1;
}

}  // namespace

int load_rom_image_file(const std::filesystem::path& path, std::uint8_t** image, std::uint32_t* size) {
    std::FILE* file = names_directory(path) ? nullptr : open_file_for_reading(path);
    if (file == nullptr) {
        std::fprintf(stderr, "ERROR: Could not open the file!\n");
        return -1;
    }
    // A stream that cannot seek (a pipe, say) has no length to learn: it is
    // read up to one byte more than the largest image, which is enough to
    // tell that it is too large.
    const long long length = stream_length(file);
    const bool seekable = length >= 0;
    if (seekable && static_cast<unsigned long long>(length) > kOptionRomMaxSize) {
        return refuse_too_large(file);
    }
    const std::size_t limit = seekable ? static_cast<std::size_t>(length) : kOptionRomMaxSize + 1;

    // One byte at least, so that an empty file still gets a buffer and is
    // refused for its size rather than as an allocation failure.
    auto* buffer = static_cast<std::uint8_t*>(std::calloc(limit > 0 ? limit : 1, 1));
    if (buffer == nullptr) {
        std::fclose(file);
        return -1;
    }
    // A read that delivers less than the length (the file shrank meanwhile)
    // is no error: the image is then that much shorter. Reading no more than
    // the limit keeps a file that grew meanwhile within the buffer.
    const std::size_t delivered = std::fread(buffer, 1, limit, file);
    const bool failed = std::ferror(file) != 0;
    if (failed) {
        std::fclose(file);
        std::free(buffer);
        std::fprintf(stderr, "ERROR: Could not read from the file!\n");
        return -1;
    }
    if (delivered > kOptionRomMaxSize) {
        std::free(buffer);
        return refuse_too_large(file);
    }
    std::fclose(file);
    *image = buffer;
    *size = static_cast<std::uint32_t>(delivered);
    return 0;
}
