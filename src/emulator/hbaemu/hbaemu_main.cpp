// hbaemu: makes, examines and breaks emulated adapters.
#include "emulator/hbaemu/hbaemu_commands.h"

#include <cstdio>
#include <cstring>

namespace {

const hbaemu_command* const kCommands[] = {&kInitCommand, &kListCommand, &kShowCommand, &kMakeRomCommand,
                                           &kFaultCommand};

const char kOverview[] =
    "hbaemu - the adapter emulator's companion\n"
    "\n"
    "Emulated adapters are folders under the emulator root: $HBAEMU_DIR, or\n"
    "$HOME/.hbaemu when it is unset. Each folder holding flash.bin (512 KiB\n"
    "serial flash), config.bin (256-byte PCI configuration space at power-on)\n"
    "and vpd.bin (8 KiB VPD storage) is one adapter; adapters take their\n"
    "index in byte-wise order of the folder names.\n"
    "\n"
    "Usage: hbaemu <command> [arguments]\n"
    "\n"
    "Commands:\n";

const char kOverviewEnd[] =
    "\n"
    "hbaemu help <command> or hbaemu <command> --help describes a command.\n";

void print_overview(std::FILE* stream) {
    std::fputs(kOverview, stream);
    for (const hbaemu_command* command : kCommands) {
        std::fprintf(stream, "  hbaemu %s\n      %s\n", command->synopsis, command->summary);
    }
    std::fputs(kOverviewEnd, stream);
}

const hbaemu_command* find_command(const char* name) {
    for (const hbaemu_command* command : kCommands) {
        if (std::strcmp(command->name, name) == 0) {
            return command;
        }
    }
    return nullptr;
}

void print_command_help(const hbaemu_command& command) {
    std::printf("Usage: hbaemu %s\n\n%s", command.synopsis, command.help);
}

bool wants_help(const char* word) {
    return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || wants_help(argv[1])) {
        print_overview(stdout);
        return kHbaemuOk;
    }
    if (std::strcmp(argv[1], "help") == 0) {
        if (argc < 3) {
            print_overview(stdout);
            return kHbaemuOk;
        }
        const hbaemu_command* command = find_command(argv[2]);
        if (command == nullptr) {
            std::fprintf(stderr, "hbaemu: no command '%s'\n\n", argv[2]);
            print_overview(stderr);
            return kHbaemuUsage;
        }
        print_command_help(*command);
        return kHbaemuOk;
    }
    const hbaemu_command* command = find_command(argv[1]);
    if (command == nullptr) {
        std::fprintf(stderr, "hbaemu: no command '%s'\n\n", argv[1]);
        print_overview(stderr);
        return kHbaemuUsage;
    }
    hbaemu_arguments arguments(argv + 2, argv + argc);
    for (const std::string& word : arguments) {
        if (wants_help(word.c_str())) {
            print_command_help(*command);
            return kHbaemuOk;
        }
    }
    return command->run(arguments);
}
