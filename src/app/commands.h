// The commands that name an adapter. Each ends the run through exit_program.
#pragma once

#include "settings/boot_settings_record.h"

#include <cstdint>

[[noreturn]] void run_configure_command(std::uint8_t adapter, int argc, char** argv, settings_buffer* buffer);
[[noreturn]] void run_export_command(std::uint8_t adapter, settings_buffer* buffer);
[[noreturn]] void run_update_command(std::uint8_t adapter, int argc, char** argv);
[[noreturn]] void run_erase_command(std::uint8_t adapter, int argc, char** argv);
[[noreturn]] void run_backup_command(std::uint8_t adapter, int argc, char** argv);
[[noreturn]] void run_restore_command(std::uint8_t adapter, int argc, char** argv);
[[noreturn]] void run_verify_command(std::uint8_t adapter, int argc, char** argv);
