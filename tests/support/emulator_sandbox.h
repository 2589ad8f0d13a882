// A private emulator root for one test: adapter folders are made in a fresh
// temporary folder and the folder is removed when the sandbox goes. The
// programs a test runs get the root in their environment; a test that
// reaches the adapters in its own process points the emulator at it.
#pragma once

#include "support/run_binary.h"

#include <cstdint>
#include <string>
#include <vector>

class emulator_sandbox {
public:
    emulator_sandbox();
    ~emulator_sandbox();
    emulator_sandbox(const emulator_sandbox&) = delete;
    emulator_sandbox& operator=(const emulator_sandbox&) = delete;

    const std::string& root() const { return root_; }
    std::string folder(const std::string& name) const { return root_ + "/" + name; }
    std::string trace_path() const { return root_ + "/trace.log"; }

    // Points this process's emulator at the root, without a trace, until
    // the sandbox goes; it then closes the adapter handles.
    void use_in_this_process();

    // An adapter with erased flash, zeroed VPD and a configuration space
    // without capabilities. Returns its folder name.
    std::string add_blank_adapter(const std::string& name);
    // count blank adapters named adapter00, adapter01, ...
    void add_blank_adapters(int count);

    void write_file(const std::string& relative_path, const std::vector<std::uint8_t>& bytes) const;
    void write_text(const std::string& relative_path, const std::string& text) const;
    std::vector<std::uint8_t> read_file(const std::string& relative_path) const;
    std::string read_text(const std::string& relative_path) const;

    // Runs the utility against this root, with the trace going to
    // trace_path() when trace is set.
    run_result run(const std::vector<std::string>& arguments, bool trace = false) const;
    // Runs another program against this root.
    run_result run_program_here(const std::string& program, const std::vector<std::string>& arguments,
                                const std::vector<std::pair<std::string, std::string>>& extra_environment = {}) const;

private:
    std::string root_;
    bool in_this_process_ = false;
};

// Points the emulator of this process (and of the programs it starts) at
// root, with its trace going to the file trace names (none when empty).
void point_emulator_at(const std::string& root, const std::string& trace = "");
