// The adapter that a command names by its index argument.
#pragma once

#include <cstdint>

// Enumerates the adapters and takes argument 2, one character, as the index
// 0 to 9 of one of them: 0 and *adapter set, or -1 after the line that says
// why not (no adapter found, or an index that names none).
int select_adapter(const char* index_argument, std::uint8_t* adapter);
