// setting=value arguments of the configure command, one a line, applied in
// order to one record as the command applies them: the name is what comes
// before the first '=', the value what follows. A refused argument must
// leave the record as it was, and every text field must stay terminated.
#include "settings/boot_settings_record.h"
#include "settings/setting_assignment.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <std::size_t N>
void check_terminated(const char (&field)[N]) {
    if (std::memchr(field, '\0', N) == nullptr) {
        std::abort();
    }
}

void apply_line(boot_settings_record* record, const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return;
    }
    const std::string name = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    const boot_settings_record before = *record;
    if (apply_setting(record, name.c_str(), value.c_str()) != 0 && std::memcmp(&before, record, sizeof before) != 0) {
        std::abort();  // a refusal changed the record
    }
    check_terminated(record->initiatorname);
    check_terminated(record->targetname);
    check_terminated(record->initiatoruser);
    check_terminated(record->targetuser);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    boot_settings_record record{};
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        apply_line(&record, text.substr(begin, end - begin));
        begin = end + 1;
    }
    return 0;
}
