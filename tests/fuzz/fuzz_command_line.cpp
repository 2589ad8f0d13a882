// The Windows command-line splitter, on any UTF-16 line (two input bytes a
// unit, little-endian, up to the first 0). Every argument after the program
// name, quoted as a careful caller quotes it, must split back to itself.
#include "app/command_line_split.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// In double quotes: backslashes that precede a quote, or the closing
// quote, are doubled, and a quote inside gets one more backslash.
std::wstring quoted(const std::wstring& argument) {
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        q.push_back(c);
        backslashes = 0;
    }
    q.append(2 * backslashes, L'\\');
    q.push_back(L'"');
    return q;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == L'\0') {
            break;
        }
        line.push_back(unit);
    }
    const std::vector<std::wstring> arguments = split_command_line(line.c_str());
    if (arguments.empty()) {
        std::abort();
    }
    std::wstring again = L"hbabootcfg.exe";
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        again += L" " + quoted(arguments[i]);
    }
    std::vector<std::wstring> split_again = split_command_line(again.c_str());
    split_again[0] = arguments[0];
    if (split_again != arguments) {
        std::abort();  // an argument did not survive quoting
    }
    return 0;
}
