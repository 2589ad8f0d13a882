// The utility's version and its usage text.
#pragma once

inline constexpr const char* kUtilityVersion = "1.1";

// "\nversion=1.1\n" and the usage text, on standard error.
void print_usage();

// "version=1.1\n" on standard error.
void print_version();
