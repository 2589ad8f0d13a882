// A settings file is a template kept in version control and applied to many
// servers, so it is read exactly: no blanks are trimmed, and a line that
// would not be accepted on the command line is not accepted here either.
#include "app/settings_file.h"
#include "device/platform_file.h"

#include <cstdio>
#include <system_error>
#include <utility>

namespace {

// Far more than every setting several times over; a bigger file is most
// likely not a settings file at all (an image named by mistake).
constexpr std::size_t kSettingsFileMax = 64 * 1024;

int refuse_file(const char* format, const char* shown) {
    std::fprintf(stderr, format, shown);
    return -1;
}

// A directory "opens" on POSIX systems; it is no file to read.
std::FILE* open_for_reading(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return nullptr;
    }
    return open_file_for_reading(path);
}

// The whole file, one byte past the limit at most, so that a huge file is
// never read whole; false when it cannot be opened or read.
bool read_bounded(const std::filesystem::path& path, std::string* contents) {
    std::FILE* file = open_for_reading(path);
    if (file == nullptr) {
        return false;
    }
    contents->resize(kSettingsFileMax + 1);
    const std::size_t got = std::fread(contents->data(), 1, contents->size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    contents->resize(got);
    return !failed;
}

// The line end is LF or CR LF; a CR anywhere else is part of the line.
void append_line(std::string line, bool ended_by_lf, std::vector<std::string>* arguments) {
    if (ended_by_lf && !line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.empty() || line.front() == '#') {
        return;
    }
    arguments->push_back(std::move(line));
}

}  // namespace

int read_settings_file(const std::filesystem::path& path, const char* shown, std::vector<std::string>* arguments) {
    std::string contents;
    if (!read_bounded(path, &contents)) {
        return refuse_file("ERROR: Could not read settings file %s!\n", shown);
    }
    if (contents.size() > kSettingsFileMax) {
        return refuse_file("ERROR: Settings file %s is larger than 64 KiB!\n", shown);
    }
    if (contents.find('\0') != std::string::npos) {
        return refuse_file("ERROR: Settings file %s holds a NUL byte!\n", shown);
    }
    std::size_t begin = 0;
    while (begin < contents.size()) {
        std::size_t end = contents.find('\n', begin);
        const bool ended_by_lf = end != std::string::npos;
        if (!ended_by_lf) {
            end = contents.size();
        }
        append_line(contents.substr(begin, end - begin), ended_by_lf, arguments);
        begin = end + 1;
    }
    return 0;
}
