// The C runtime builds argv from the ANSI copy of the command line, so a
// character outside the ANSI code page arrives as "?" or as a look-alike
// ("best fit": a path could then name a different, existing file). The
// UTF-16 command line still holds the argument as typed. It is split here as
// the runtime splits the ANSI one, and its argument is used only when it
// converts back to exactly the bytes in argv: then it is the same argument,
// whatever the splitting rules of this runtime version. Otherwise the path
// is the argv bytes, opened as before.
#include "app/argument_path.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The program name: up to the closing quote when it starts with one,
// otherwise up to the first blank; backslashes are plain characters.
const wchar_t* skip_program_name(const wchar_t* p, std::wstring* name) {
    if (*p == L'"') {
        for (++p; *p != L'\0' && *p != L'"'; ++p) {
            name->push_back(*p);
        }
        return *p == L'"' ? p + 1 : p;
    }
    for (; *p != L'\0' && !is_blank(*p); ++p) {
        name->push_back(*p);
    }
    return p;
}

// One argument after the program name: blanks separate arguments outside
// double quotes. 2n backslashes before a quote give n backslashes and the
// quote opens or closes a quoted part (two quotes within a quoted part give
// one literal quote and close it); 2n+1 give n backslashes and a literal
// quote; backslashes before anything else are literal.
const wchar_t* split_argument(const wchar_t* p, std::wstring* argument) {
    bool quoted = false;
    while (*p != L'\0' && (quoted || !is_blank(*p))) {
        std::size_t backslashes = 0;
        for (; *p == L'\\'; ++p) {
            ++backslashes;
        }
        if (*p != L'"') {
            argument->append(backslashes, L'\\');
            if (*p != L'\0' && (quoted || !is_blank(*p))) {
                argument->push_back(*p++);
            }
            continue;
        }
        argument->append(backslashes / 2, L'\\');
        if (backslashes % 2 == 1) {
            argument->push_back(*p++);
        } else if (quoted && p[1] == L'"') {
            argument->push_back(L'"');
            p += 2;
            quoted = false;
        } else {
            quoted = !quoted;
            ++p;
        }
    }
    return p;
}

std::vector<std::wstring> split_command_line(const wchar_t* line) {
    std::vector<std::wstring> arguments(1);
    const wchar_t* p = skip_program_name(line, &arguments[0]);
    for (;;) {
        while (is_blank(*p)) {
            ++p;
        }
        if (*p == L'\0') {
            return arguments;
        }
        arguments.emplace_back();
        p = split_argument(p, &arguments.back());
    }
}

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

std::filesystem::path argument_path(int argc, char** argv, int index) {
    const std::vector<std::wstring> arguments = split_command_line(GetCommandLineW());
    const auto position = static_cast<std::size_t>(index);
    if (arguments.size() == static_cast<std::size_t>(argc) && to_ansi(arguments[position]) == argv[index]) {
        return std::filesystem::path(arguments[position]);
    }
    return std::filesystem::path(from_ansi(argv[index]));
}
