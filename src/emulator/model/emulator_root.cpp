#include "emulator/model/emulator_root.h"

#include "emulator/model/adapter_model.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string emulator_root() {
    const char* dir = std::getenv("HBAEMU_DIR");
    if (dir != nullptr && *dir != '\0') {
        return dir;
    }
    const char* home = std::getenv("HOME");
#ifdef _WIN32
    if (home == nullptr || *home == '\0') {
        home = std::getenv("USERPROFILE");
    }
#endif
    return std::string(home != nullptr ? home : ".") + "/.hbaemu";
}

std::string emulator_root_problem(const std::string& root) {
    std::error_code ec;
    const fs::file_status status = fs::status(root, ec);
    if (status.type() == fs::file_type::not_found) {
        return {};
    }
    if (!ec && fs::is_directory(status)) {
        fs::directory_iterator probe(root, ec);
        if (!ec) {
            return {};
        }
    }
    return "emulator root " + root + " is not a readable folder";
}

std::vector<std::string> list_adapter_folders(const std::string& root) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code file_ec;
        if (it->is_directory(file_ec) && fs::is_regular_file(it->path() / "flash.bin", file_ec)) {
            names.push_back(it->path().filename().string());
        }
    }
    // std::string compares as unsigned bytes, which is the order adapters
    // take their indices in.
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

bool has_size(const fs::path& file, std::uintmax_t size) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && fs::file_size(file, ec) == size && !ec;
}

}  // namespace

std::uint32_t check_adapter_files(const std::string& folder) {
    const fs::path dir(folder);
    if (has_size(dir / "flash.bin", kEmulatedFlashSize) && has_size(dir / "config.bin", kEmulatedConfigSize) &&
        has_size(dir / "vpd.bin", kEmulatedVpdSize)) {
        return 0;
    }
    return 13;
}
