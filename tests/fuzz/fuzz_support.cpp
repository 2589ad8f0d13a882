#include "fuzz_support.h"

#include "device/adapter_table.h"
#include "emulator/contents/adapter_factory.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct private_folder {
    std::string path;
    private_folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hba-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("fuzz: mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~private_folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

const std::string& fuzz_folder() {
    static private_folder folder;
    return folder.path;
}

std::string open_emulated_adapter(const std::string& faults) {
    const std::string root = fuzz_folder() + "/adapters";
    const std::string problem = create_realistic_adapters(root, 1, false);
    if (!problem.empty()) {
        std::fprintf(stderr, "fuzz: %s\n", problem.c_str());
        std::abort();
    }
    if (!faults.empty()) {
        const std::string path = root + "/adapter00/faults";
        write_fuzz_file(path, reinterpret_cast<const std::uint8_t*>(faults.data()), faults.size());
    }
    setenv("HBAEMU_DIR", root.c_str(), 1);
    if (enumerate_adapters() != 1) {
        std::fprintf(stderr, "fuzz: the emulated adapter in %s was not found\n", root.c_str());
        std::abort();
    }
    return root + "/adapter00";
}

void write_fuzz_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size != 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(("fuzz: " + path).c_str());
        std::abort();
    }
}
