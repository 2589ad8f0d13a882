#include "app/json_command.h"

#include "app/command_words.h"
#include "app/dry_run.h"
#include "app/exit_program.h"
#include "app/json_commands.h"
#include "app/usage.h"

#include <climits>
#include <cstring>

namespace {

constexpr char kJsonFlag[] = "--json";

// The commands that answer in JSON, each with the numbers of arguments it
// takes before --json (its command word included; a dry-run word last is
// not counted where the command takes one) and its JSON form. Update and
// verify take their file as the text form does: without one, the document
// holds the line that asks for it.
struct json_command {
    const command_word& word;
    int fewest;
    int most;
    bool takes_dry_run;
    void (*run)(int argc, char** argv);
};

constexpr json_command kJsonCommands[] = {
    {kListCommand, 1, 1, false, run_list_json},
    {kDisplayCommand, 2, 2, false, run_display_json},
    {kVerifyCommand, 2, 3, false, run_verify_json},             // -V N FILE
    {kConfigureCommand, 3, INT_MAX, true, run_configure_json},  // -c N SETTING... [-n]
    {kUpdateCommand, 2, 4, true, run_update_json},              // -u N FILE [--force] [-n]
};

// A command line not understood did nothing: the usage text, and a status
// no script takes for success.
[[noreturn]] void refuse_command_line() {
    print_usage();
    exit_program(-1);
}

bool takes_arguments(const json_command& command, int argc, char** argv) {
    int arguments = argc - 2;
    if (command.takes_dry_run && arguments > 1 && is_dry_run_word(argv[argc - 2])) {
        --arguments;
    }
    return arguments >= command.fewest && arguments <= command.most;
}

}  // namespace

bool json_requested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kJsonFlag) == 0) {
            return true;
        }
    }
    return false;
}

void run_json_command(int argc, char** argv) {
    // argv[argc - 1] must be the one --json; the command's own arguments
    // come before it.
    if (argc < 3 || std::strcmp(argv[argc - 1], kJsonFlag) != 0) {
        refuse_command_line();
    }
    for (int i = 1; i < argc - 1; ++i) {
        if (std::strcmp(argv[i], kJsonFlag) == 0) {
            refuse_command_line();
        }
    }
    for (const json_command& command : kJsonCommands) {
        if (!is_command(argv[1], command.word) || !takes_arguments(command, argc, argv)) {
            continue;
        }
        // An adapter index is one character, as in the text form.
        if (&command.word != &kListCommand && std::strlen(argv[2]) != 1) {
            refuse_command_line();
        }
        command.run(argc - 1, argv);
    }
    refuse_command_line();
}
