// The verify command: reads only, the flash is compared with an Option ROM
// image or a backup.
#include "app/verify_command.h"

#include "app/argument_path.h"
#include "app/commands.h"
#include "app/exit_program.h"

#include <cstdio>

int verify_from_command_line(std::uint8_t adapter, int argc, char** argv, const progress_report* progress,
                             verify_result* result) {
    *result = {};
    if (argc < 4) {
        std::fprintf(stderr, "ERROR: please specify the image or backup file to compare the Adapter with!\n");
        return -1;
    }
    return verify_adapter(adapter, argument_path(argc, argv, 3), progress, result) == 0 ? 0 : -1;
}

void run_verify_command(std::uint8_t adapter, int argc, char** argv) {
    verify_result result;
    exit_program(verify_from_command_line(adapter, argc, argv, &kProgressLine, &result));
}
