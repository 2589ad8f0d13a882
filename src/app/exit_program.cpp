#include "app/exit_program.h"

#include "device/adapter_table.h"
#include "inventory/adapter_list.h"

#include <cstdio>
#include <cstdlib>

void exit_program(int status) {
    close_adapter_handles();
    release_adapter_list();
    std::fflush(stdout);
    std::exit(status);
}
