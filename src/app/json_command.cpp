#include "app/json_command.h"

#include "app/command_words.h"
#include "app/exit_program.h"
#include "app/json_commands.h"
#include "app/usage.h"

#include <cstring>

namespace {

constexpr char kJsonFlag[] = "--json";

// The commands that answer in JSON, each with the number of arguments it
// takes before --json (its command word included). Verify, configure and
// update join them here once they report what they did in JSON.
struct json_command {
    const command_word& word;
    int arguments;
};

constexpr json_command kJsonCommands[] = {
    {kListCommand, 1},
    {kDisplayCommand, 2},
};

// A command line not understood did nothing: the usage text, and a status
// no script takes for success.
[[noreturn]] void refuse_command_line() {
    print_usage();
    exit_program(-1);
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
    const int arguments = argc - 2;
    if (arguments < 1 || std::strcmp(argv[argc - 1], kJsonFlag) != 0) {
        refuse_command_line();
    }
    for (int i = 1; i < argc - 1; ++i) {
        if (std::strcmp(argv[i], kJsonFlag) == 0) {
            refuse_command_line();
        }
    }
    const json_command* command = nullptr;
    for (const json_command& c : kJsonCommands) {
        if (is_command(argv[1], c.word) && c.arguments == arguments) {
            command = &c;
        }
    }
    if (command == nullptr) {
        refuse_command_line();
    }
    if (&command->word == &kListCommand) {
        run_list_json();
    }
    // An adapter index is one character, as in the text form.
    if (std::strlen(argv[2]) != 1) {
        refuse_command_line();
    }
    run_display_json(argv[2]);
}
