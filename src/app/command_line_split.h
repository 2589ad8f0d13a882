// The Windows command line split into arguments as the C runtime splits it
// into argv; argument 0 is the program name. The rules stand beside the code.
#pragma once

#include <string>
#include <vector>

std::vector<std::wstring> split_command_line(const wchar_t* line);
