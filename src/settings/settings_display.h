// The settings block of the display command.
#pragma once

#include "settings/boot_settings_record.h"

// Prints the record on standard output as labelled lines in five sections.
void print_settings(const boot_settings_record& record);
