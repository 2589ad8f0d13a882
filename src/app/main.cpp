// hbabootcfg: configures the iSCSI boot firmware of the host bus adapters.
// One command per run; every path ends in exit_program.
#include "app/command_words.h"
#include "app/commands.h"
#include "app/exit_program.h"
#include "app/usage.h"
#include "device/adapter_table.h"
#include "inventory/adapter_list.h"
#include "optionrom/option_rom.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// The configure and display commands read the boot settings record here.
settings_buffer g_settings_buffer;

[[noreturn]] void refuse_adapter_index(std::uint8_t count) {
    std::fprintf(stderr, "ERROR: Invalid Adapter number! Only allowed value");
    if (count > 1) {
        std::fprintf(stderr, "s are 0 to %1d, since only %1d Adapters are installed.\n", count - 1, count);
    } else {
        std::fprintf(stderr, " is 0, since only one Adapter is installed.\n");
    }
    exit_program(-1);
}

// Argument 2 is one character: the adapter index 0 to 9.
[[noreturn]] void run_adapter_command(int argc, char** argv) {
    const char index_character = argv[2][0];
    const bool is_digit = std::isdigit(static_cast<unsigned char>(index_character)) != 0;
    const auto adapter = static_cast<std::uint8_t>(is_digit ? index_character - '0' : 0);

    // No adapter installed is no error. An interface list that could not be
    // had at all is: the command was not carried out, and a script that
    // erases or updates must not take that for success.
    const std::uint8_t count = enumerate_adapters();
    if (count == 0) {
        exit_program(adapter_interface_list_failed() ? -1 : 0);
    }
    // Anything but a digit is refused: taken as 0, a typo would select
    // adapter 0, and an erase would erase it.
    if (!is_digit || adapter >= count) {
        refuse_adapter_index(count);
    }

    const char* command = argv[1];
    if (is_command(command, kDisplayCommand)) {
        display_adapter(adapter, &g_settings_buffer);
        exit_program(0);
    }
    if (is_command(command, kConfigureCommand) && argc > 3) {
        run_configure_command(adapter, argc, argv, &g_settings_buffer);
    }
    if (is_command(command, kUpdateCommand)) {
        run_update_command(adapter, argc, argv);
    }
    if (is_command(command, kEraseCommand)) {
        run_erase_command(adapter, argc, argv);
    }
    if (is_command(command, kBackupCommand)) {
        run_backup_command(adapter, argc, argv);
    }
    if (is_command(command, kRestoreCommand)) {
        run_restore_command(adapter, argc, argv);
    }
    if (is_command(command, kVerifyCommand)) {
        run_verify_command(adapter, argc, argv);
    }
    exit_program(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        print_usage();
        exit_program(0);
    }
    if (argc >= 3 && std::strlen(argv[2]) == 1) {
        run_adapter_command(argc, argv);
    }
    if (is_command(argv[1], kListCommand)) {
        build_adapter_list();
        print_adapter_list();
        exit_program(0);
    }
    if (is_command(argv[1], kVersionCommand)) {
        print_version();
        exit_program(0);
    }
    print_usage();
    exit_program(0);
}
