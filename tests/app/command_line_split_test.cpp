// The wide command line split as the C runtime splits the narrow one: the
// Windows build opens a file named on the command line only when both
// splittings agree, so a rule wrong here would send a path back to the ANSI
// code page. One table of the runtime's quoting and backslash rules.
#include "app/command_line_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct split_case {
    const wchar_t* line;
    std::vector<std::wstring> arguments;
};

TEST(CommandLineSplit, FollowsTheRuntimesRules) {
    const split_case cases[] = {
        {L"hba.exe -u 0 rom.bin", {L"hba.exe", L"-u", L"0", L"rom.bin"}},
        {L"hba.exe\t-u  \t0   ", {L"hba.exe", L"-u", L"0"}},
        {L"\"C:\\Program Files\\hba.exe\" -l", {L"C:\\Program Files\\hba.exe", L"-l"}},
        {L"C:\\tools\\hba.exe -l", {L"C:\\tools\\hba.exe", L"-l"}},
        {L"hba \"C:\\Users\\Зоя\\rom.bin\"", {L"hba", L"C:\\Users\\Зоя\\rom.bin"}},
        {L"hba \"Chloë Zoë\\rom.bin\" x", {L"hba", L"Chloë Zoë\\rom.bin", L"x"}},
        {L"hba a\"b c\"d", {L"hba", L"ab cd"}},
        {L"hba \"\"", {L"hba", L""}},
        {L"hba \"a\\\"b\"", {L"hba", L"a\"b"}},              // \" is a literal quote
        {L"hba a\\\\\"b c\"", {L"hba", L"a\\b c"}},          // \\" is one backslash, then a quote
        {L"hba a\\\\\\\"b", {L"hba", L"a\\\"b"}},            // \\\" is a backslash and a literal quote
        {L"hba C:\\dir\\ x", {L"hba", L"C:\\dir\\", L"x"}},  // backslashes before a blank stay
        {L"hba \"a\"\"b c", {L"hba", L"a\"b", L"c"}},        // "" inside quotes: a quote, and closed
        {L"hba \"open to the end", {L"hba", L"open to the end"}},
        {L"hba", {L"hba"}},
    };
    int row = 0;
    for (const split_case& c : cases) {
        EXPECT_EQ(split_command_line(c.line), c.arguments) << "row " << row;
        ++row;
    }
}

}  // namespace
