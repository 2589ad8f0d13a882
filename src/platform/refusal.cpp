#include "platform/refusal.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kShownCharacters = 60;
constexpr const char kErrorMark[] = "ERROR: ";

const char* g_origin_file = nullptr;
int g_origin_line = 0;

// The line as printed: under an origin, "ERROR: FILE, line N: " before the
// rest of an error line.
void print_line(const std::string& line) {
    const std::size_t mark = sizeof kErrorMark - 1;
    if (g_origin_file == nullptr || line.compare(0, mark, kErrorMark) != 0) {
        std::fputs(line.c_str(), stderr);
        return;
    }
    std::fprintf(stderr, "%s%s, line %d: %s", kErrorMark, shown_text(g_origin_file).c_str(), g_origin_line,
                 line.c_str() + mark);
}

}  // namespace

std::string shown_text(const char* text) {
    std::string shown;
    std::size_t characters = 0;
    for (const char* p = text; *p != '\0'; ++p, ++characters) {
        if (characters == kShownCharacters) {
            return shown + "...";
        }
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += static_cast<char>(byte);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        }
    }
    return shown;
}

void set_refusal_origin(const char* file, int line) {
    g_origin_file = file;
    g_origin_line = line;
}

int refuse(const char* message) {
    print_line(message);
    return -1;
}

int refuse_with(const char* format, const char* text) {
    const std::string shown = g_origin_file != nullptr ? shown_text(text) : std::string(text);
    const int length = std::snprintf(nullptr, 0, format, shown.c_str());
    std::string line(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    std::snprintf(line.data(), line.size(), format, shown.c_str());
    line.resize(line.size() - 1);
    print_line(line);
    return -1;
}
