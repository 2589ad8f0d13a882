// The utility's version and its usage text.
#pragma once

// The project version in CMakeLists.txt, the one place it is kept; the
// release archives are named after it too.
inline constexpr const char* kUtilityVersion = HBA_UTILITY_VERSION;

// "\nversion=1.1\n" and the usage text, on standard error.
void print_usage();

// "version=1.1\n" on standard error.
void print_version();
