// hbabootcfg: configures the iSCSI boot firmware of the host bus adapters.
// One command per run; every path ends in exit_program.
#include "app/adapter_selection.h"
#include "app/command_words.h"
#include "app/commands.h"
#include "app/exit_program.h"
#include "app/json_command.h"
#include "app/usage.h"
#include "device/adapter_table.h"
#include "inventory/adapter_list.h"
#include "optionrom/option_rom.h"

#include <cstdio>
#include <cstring>

namespace {

// What people type to ask for the usage text; exact words, so that a typo of
// a command is not taken for one.
constexpr const char* kHelpWords[] = {"--help", "-h", "-?", "/?"};

bool is_help_word(const char* argument) {
    for (const char* word : kHelpWords) {
        if (std::strcmp(argument, word) == 0) {
            return true;
        }
    }
    return false;
}

// A command line that could not be understood did nothing: the usage text,
// and a status no script takes for success.
[[noreturn]] void refuse_command_line() {
    print_usage();
    exit_program(-1);
}

// The configure and display commands read the boot settings record here.
settings_buffer g_settings_buffer;

[[noreturn]] void run_display(std::uint8_t adapter, int /*argc*/, char** /*argv*/) {
    exit_program(display_adapter(adapter, &g_settings_buffer) == 0 ? 0 : -1);
}

// Configure without a setting is a command line not understood.
[[noreturn]] void run_configure(std::uint8_t adapter, int argc, char** argv) {
    if (argc <= 3) {
        refuse_command_line();
    }
    run_configure_command(adapter, argc, argv, &g_settings_buffer);
}

[[noreturn]] void run_export(std::uint8_t adapter, int /*argc*/, char** /*argv*/) {
    run_export_command(adapter, &g_settings_buffer);
}

// The commands that name an adapter, each with its handler, which ends the
// run. The words are tried in this order, each as a prefix of argument 1.
struct adapter_command {
    command_word word;
    void (*run)(std::uint8_t adapter, int argc, char** argv);
    bool output_is_document;  // standard output carries only what it asks for
};

constexpr adapter_command kAdapterCommands[] = {
    {kDisplayCommand, run_display, false},
    {kConfigureCommand, run_configure, false},
    {kUpdateCommand, run_update_command, false},
    {kEraseCommand, run_erase_command, false},
    {kExportCommand, run_export, true},
    {kBackupCommand, run_backup_command, false},
    {kRestoreCommand, run_restore_command, false},
    {kVerifyCommand, run_verify_command, false},
};

// The command argument 1 names, or null.
const adapter_command* find_adapter_command(const char* argument) {
    for (const adapter_command& entry : kAdapterCommands) {
        if (is_command(argument, entry.word)) {
            return &entry;
        }
    }
    return nullptr;
}

// Argument 2 is one character: the adapter index 0 to 9.
[[noreturn]] void run_adapter_command(int argc, char** argv) {
    const adapter_command* command_entry = find_adapter_command(argv[1]);
    if (command_entry != nullptr && command_entry->output_is_document) {
        send_open_diagnostics_to(stderr);
    }
    std::uint8_t adapter = 0;
    if (select_adapter(argv[2], &adapter) != 0) {
        exit_program(-1);
    }

    if (command_entry != nullptr) {
        command_entry->run(adapter, argc, argv);
    }
    const char* command = argv[1];
    // The list and version words name no adapter and do nothing here, as
    // they always have; any other word is a command line not understood
    // (configure without a setting included).
    if (is_command(command, kListCommand) || is_command(command, kVersionCommand)) {
        exit_program(0);
    }
    if (is_help_word(command)) {
        print_usage();
        exit_program(0);
    }
    refuse_command_line();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        print_usage();
        exit_program(0);
    }
    if (json_requested(argc, argv)) {
        run_json_command(argc, argv);
    }
    if (argc >= 3 && std::strlen(argv[2]) == 1) {
        run_adapter_command(argc, argv);
    }
    if (is_command(argv[1], kListCommand)) {
        build_adapter_list();
        print_adapter_list();
        // An empty list is a true answer; one that could not be had is none.
        exit_program(adapter_interface_list_failed() ? -1 : 0);
    }
    if (is_command(argv[1], kVersionCommand)) {
        print_version();
        exit_program(0);
    }
    if (is_help_word(argv[1])) {
        print_usage();
        exit_program(0);
    }
    refuse_command_line();
}
