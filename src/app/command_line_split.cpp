// Splitting a UTF-16 command line into arguments as the C runtime splits the
// narrow one into argv. Plain C++, so it is built and tested everywhere,
// though only the Windows build has a command line to split.
#include "app/command_line_split.h"

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

}  // namespace

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
