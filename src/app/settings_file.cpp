// A settings file is a template kept in version control and applied to many
// servers, so it is read exactly: no blanks are trimmed, and a line that
// would not be accepted on the command line is not accepted here either.
#include "app/settings_file.h"

#include "platform/file_reader.h"
#include "platform/refusal.h"

#include <cstdio>
#include <utility>

namespace {

// Far more than every setting several times over; a bigger file is most
// likely not a settings file at all (an image named by mistake).
constexpr std::size_t kSettingsFileMax = 64 * 1024;

// The line end is LF or CR LF; a CR anywhere else is part of the line.
void append_line(std::string line, bool ended_by_lf, setting_argument origin,
                 std::vector<setting_argument>* arguments) {
    if (ended_by_lf && !line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.empty() || line.front() == '#') {
        return;
    }
    origin.text = std::move(line);
    arguments->push_back(std::move(origin));
}

}  // namespace

int read_settings_file(const std::filesystem::path& path, const char* shown, std::vector<setting_argument>* arguments) {
    // Any kind of file: a template may come through a pipe, and /dev/null
    // is an empty one.
    std::string contents(kSettingsFileMax, '\0');
    std::size_t count = 0;
    bool more = false;
    if (read_bounded_file(path, kTakesAnyFile, contents.data(), contents.size(), &count, &more) != kReadOk) {
        return refuse_with("ERROR: Could not read settings file %s!\n", shown);
    }
    contents.resize(count);
    if (more) {
        return refuse_with("ERROR: Settings file %s is larger than 64 KiB!\n", shown);
    }
    if (contents.find('\0') != std::string::npos) {
        return refuse_with("ERROR: Settings file %s holds a NUL byte!\n", shown);
    }
    std::size_t begin = 0;
    int line = 0;
    while (begin < contents.size()) {
        ++line;
        std::size_t end = contents.find('\n', begin);
        const bool ended_by_lf = end != std::string::npos;
        if (!ended_by_lf) {
            end = contents.size();
        }
        append_line(contents.substr(begin, end - begin), ended_by_lf, {{}, shown, line}, arguments);
        begin = end + 1;
    }
    return 0;
}
