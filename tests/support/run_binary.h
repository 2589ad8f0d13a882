// Runs a built program the way an operator would, and captures what it says.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct run_result {
    std::string out;  // standard output
    std::string err;  // standard error
    int status = -1;  // the exit status as a POSIX shell sees it (-1 is 255)
};

// Runs program with the arguments that follow its name, with the environment
// of this process plus extra (name, value) pairs. The emulator runs on its
// model clock (HBAEMU_CLOCK=model): a slow or stuck flash ends after the
// polls it would take in real time, without their wait. A run that needs
// real time says so with ("HBAEMU_CLOCK", "real") among the extra pairs.
run_result run_program(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::pair<std::string, std::string>>& extra_environment = {});

// The words of a command line written as one string, split at spaces.
std::vector<std::string> words_of(const std::string& line);
