#include "emulator/model/persistent_storage.h"

namespace {

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidData = 13;

}  // namespace

bool storage_open(const std::string& path, std::uint32_t size, persistent_storage* storage, std::uint32_t* error) {
    storage->path = path;
    storage->bytes.assign(size, 0);
    storage->write_failed = false;
    // "r+b": the file must exist already; the folder check made sure of it.
    storage->file = std::fopen(path.c_str(), "r+b");
    if (storage->file == nullptr) {
        *error = kErrorAccessDenied;
        return false;
    }
    if (std::fread(storage->bytes.data(), 1, size, storage->file) != size) {
        storage_close(storage);
        *error = kErrorInvalidData;
        return false;
    }
    return true;
}

void storage_write_through(persistent_storage* storage, std::uint32_t offset, std::uint32_t count) {
    if (storage->file == nullptr || count == 0 || offset >= storage->bytes.size()) {
        return;
    }
    if (count > storage->bytes.size() - offset) {
        count = static_cast<std::uint32_t>(storage->bytes.size() - offset);
    }
    const bool ok = std::fseek(storage->file, static_cast<long>(offset), SEEK_SET) == 0 &&
                    std::fwrite(storage->bytes.data() + offset, 1, count, storage->file) == count &&
                    std::fflush(storage->file) == 0;
    // Hardware has no way to say that its cells did not take the charge; the
    // emulator says it on standard error, once, so the user knows the file is
    // no longer what the adapter holds.
    if (!ok && !storage->write_failed) {
        storage->write_failed = true;
        std::fprintf(stderr, "hbaemu: cannot write %s: the change is lost when the adapter closes\n",
                     storage->path.c_str());
    }
}

void storage_close(persistent_storage* storage) {
    if (storage->file != nullptr) {
        std::fclose(storage->file);
        storage->file = nullptr;
    }
}
