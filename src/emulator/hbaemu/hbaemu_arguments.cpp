// What the hbaemu commands share: complaints about their arguments, numbers,
// and adapters named by index.
#include "emulator/hbaemu/hbaemu_commands.h"
#include "emulator/model/emulator_root.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int usage_error(const hbaemu_command& command, const std::string& problem) {
    std::fprintf(stderr, "hbaemu %s: %s\nUsage: hbaemu %s\n(hbaemu help %s tells more)\n", command.name,
                 problem.c_str(), command.synopsis, command.name);
    return kHbaemuUsage;
}

bool parse_size_argument(const std::string& text, unsigned long* value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return false;
    }
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (*end == 'k' || *end == 'K') {
        if (v > 0xFFFFFFul / 1024) {
            return false;
        }
        v *= 1024;
        ++end;
    }
    if (*end != '\0') {
        return false;
    }
    *value = v;
    return true;
}

std::string adapter_folder_by_index(const std::string& root, const std::string& index_text) {
    const std::vector<std::string> folders = list_adapter_folders(root);
    unsigned long index = 0;
    if (!parse_size_argument(index_text, &index) || index >= folders.size()) {
        std::fprintf(stderr, "hbaemu: no adapter %s under %s (%zu adapter%s there)\n", index_text.c_str(), root.c_str(),
                     folders.size(), folders.size() == 1 ? "" : "s");
        return {};
    }
    return (std::filesystem::path(root) / folders[index]).string();
}
