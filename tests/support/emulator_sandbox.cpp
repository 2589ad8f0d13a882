#include "support/emulator_sandbox.h"

#include "device/adapter_table.h"
#include "support/adapter_contents.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

emulator_sandbox::emulator_sandbox() {
    std::string pattern = (fs::temp_directory_path() / "hbaemu-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary emulator root");
    }
    root_ = pattern;
}

emulator_sandbox::~emulator_sandbox() {
    if (in_this_process_) {
        close_adapter_handles();
        unsetenv("HBAEMU_DIR");
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void point_emulator_at(const std::string& root, const std::string& trace) {
    setenv("HBAEMU_DIR", root.c_str(), 1);
    setenv("HBAEMU_TRACE", trace.c_str(), 1);
}

void emulator_sandbox::use_in_this_process() {
    point_emulator_at(root_);
    in_this_process_ = true;
}

std::string emulator_sandbox::add_blank_adapter(const std::string& name) {
    adapter_contents{}.write_to(*this, name);
    return name;
}

void emulator_sandbox::add_blank_adapters(int count) {
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "adapter%02d", i);
        add_blank_adapter(name);
    }
}

void emulator_sandbox::write_file(const std::string& relative_path, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream out(folder(relative_path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void emulator_sandbox::write_text(const std::string& relative_path, const std::string& text) const {
    std::ofstream out(folder(relative_path), std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::uint8_t> emulator_sandbox::read_file(const std::string& relative_path) const {
    std::ifstream in(folder(relative_path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string emulator_sandbox::read_text(const std::string& relative_path) const {
    std::ifstream in(folder(relative_path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

run_result emulator_sandbox::run(const std::vector<std::string>& arguments, bool trace) const {
    return run_program_here(HBABOOTCFG_PATH, arguments, {{"HBAEMU_TRACE", trace ? trace_path() : ""}});
}

run_result emulator_sandbox::run_program_here(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& extra_environment) const {
    std::vector<std::pair<std::string, std::string>> environment = {{"HBAEMU_DIR", root_}};
    environment.insert(environment.end(), extra_environment.begin(), extra_environment.end());
    return run_program(program, arguments, environment);
}
