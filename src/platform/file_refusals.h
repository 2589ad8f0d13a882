// The lines that refuse a file named on the command line, the same for every
// command that reads one, so that an operator meets one wording.
#pragma once

inline constexpr const char* kOpenFailedLine = "ERROR: Could not open the file!\n";
inline constexpr const char* kReadFailedLine = "ERROR: Could not read from the file!\n";
inline constexpr const char* kTooLargeLine = "ERROR: File is too large!\n";
