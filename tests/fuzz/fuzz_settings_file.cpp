// A settings file of the configure command (@FILE), read from a real file
// and its lines applied as the command applies them. The lines handed on
// never hold a line end, and are never empty or comments.
#include "app/settings_file.h"
#include "fuzz_support.h"
#include "settings/boot_settings_record.h"
#include "settings/setting_assignment.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz_folder() + "/settings.txt";
    write_fuzz_file(path, data, size);
    std::vector<setting_argument> arguments;
    if (read_settings_file(path, "settings.txt", &arguments) != 0) {
        return 0;
    }
    boot_settings_record record{};
    for (const setting_argument& argument : arguments) {
        const std::string& line = argument.text;
        if (line.empty() || line.front() == '#' || line.find('\n') != std::string::npos) {
            std::abort();
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            apply_setting(&record, line.substr(0, equals).c_str(), line.substr(equals + 1).c_str());
        }
    }
    return 0;
}
