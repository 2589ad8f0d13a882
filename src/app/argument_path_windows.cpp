// The C runtime builds argv from the ANSI copy of the command line, so a
// character outside the ANSI code page arrives as "?" or as a look-alike
// ("best fit": a path could then name a different, existing file). The
// UTF-16 command line still holds the argument as typed. It is split here as
// the runtime splits the ANSI one, and its argument is used only when it
// converts back to exactly the bytes in argv: then it is the same argument,
// whatever the splitting rules of this runtime version. Otherwise the path
// is the argv bytes, opened as before.
#include "app/argument_path.h"
#include "app/command_line_split.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The argument in the ANSI code page, converted as the system converts the
// command line for the runtime (with best-fit characters and "?").
std::string to_ansi(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, ansi.data(), needed, nullptr, nullptr);
    }
    return ansi;
}

// The argv bytes as the ANSI file functions would take them.
std::wstring from_ansi(const char* text) {
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), needed);
    wide.pop_back();  // the terminating null
    return wide;
}

}  // namespace

// The skipped characters are ASCII, one UTF-16 unit and one ANSI byte each.
// A command's JSON form hands on its arguments without the --json that ends
// them, so the command line may hold more than argc.
std::filesystem::path argument_path(int argc, char** argv, int index, std::size_t skip) {
    const std::vector<std::wstring> arguments = split_command_line(GetCommandLineW());
    const auto position = static_cast<std::size_t>(index);
    if (arguments.size() >= static_cast<std::size_t>(argc) && position < arguments.size() &&
        to_ansi(arguments[position]) == argv[index]) {
        return std::filesystem::path(arguments[position].substr(skip));
    }
    return std::filesystem::path(from_ansi(argv[index] + skip));
}
