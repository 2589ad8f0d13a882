// The configure command: read the record, apply every setting=value argument
// in order to the copy in memory, and save it only when all were accepted,
// so that a refusal anywhere leaves the flash as it was, and only when it
// would change the flash: a template applied again erases nothing. With
// --dry-run (-n) last, it shows what the save would change instead.
#include "app/argument_path.h"
#include "app/commands.h"
#include "app/configure_adapter.h"
#include "app/dry_run.h"
#include "app/exit_program.h"
#include "app/interrupt_report.h"
#include "app/settings_file.h"
#include "app/usage.h"
#include "platform/refusal.h"
#include "settings/setting_assignment.h"
#include "settings/settings_compare.h"
#include "settings/settings_storage.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The name must end within the argument's first 20 characters; the value
// buffer holds 99 characters and a terminator.
constexpr std::size_t kNameBufferSize = 20;
constexpr std::size_t kValueBufferSize = 100;
constexpr std::size_t kValueMeasureLimit = 255;

char g_name[kNameBufferSize];
char g_value[kValueBufferSize];

// preferredport is screened before its assignment: "any" (or a longer word
// that starts with it), one of the digits 0 and 1, or empty.
bool passes_port_precheck(const char* value, std::size_t length) {
    if (length >= 2) {
        return std::strncmp(value, "any", 3) == 0;
    }
    if (length == 1) {
        return value[0] == '0' || value[0] == '1';
    }
    return true;
}

// Splits one argument into the name and value buffers and applies it: 0, or
// -1 after the line of its refusal.
int apply_argument(boot_settings_record* record, const char* argument) {
    const char* equals = static_cast<const char*>(std::memchr(argument, '=', strnlen(argument, kNameBufferSize)));
    if (equals == nullptr) {
        return refuse_with("ERROR: setting %s must be of type setting=value\n", argument);
    }
    const auto name_length = static_cast<std::size_t>(equals - argument);
    std::memcpy(g_name, argument, name_length);

    const char* value = equals + 1;
    const std::size_t value_length = strnlen(value, kValueMeasureLimit);
    if (value_length >= kValueBufferSize) {
        char format[96];
        std::snprintf(format, sizeof format,
                      "ERROR: value of setting %%s is too long, at most %d characters allowed!\n",
                      static_cast<int>(kValueBufferSize - 1));
        return refuse_with(format, g_name);
    }
    std::memcpy(g_value, value, value_length);

    if (std::strcmp(g_name, "preferredport") == 0 && !passes_port_precheck(g_value, value_length)) {
        return refuse("ERROR: invalid port selection!\n");
    }
    if (apply_setting(record, g_name, g_value) != 0) {
        return -1;
    }
    std::memset(g_name, 0, sizeof g_name);
    std::memset(g_value, 0, sizeof g_value);
    return 0;
}

// Every argument in order, each refusal named by the file and line it came
// from; the first refusal ends it.
int apply_arguments(boot_settings_record* record, const std::vector<setting_argument>& arguments) {
    int rc = 0;
    for (const setting_argument& argument : arguments) {
        set_refusal_origin(argument.file, argument.line);
        rc = apply_argument(record, argument.text.c_str());
        if (rc != 0) {
            break;
        }
    }
    set_refusal_origin(nullptr, 0);
    return rc;
}

// The setting arguments in order (argv[3] up to argv[end - 1]), each "@file"
// replaced by the file's lines in its place. Every file is read before the
// adapter is touched, so a file that cannot be used ends the run before
// anything is read or written.
int gather_arguments(int argc, char** argv, int end, std::vector<setting_argument>* arguments) {
    const char* last_file = nullptr;
    for (int i = 3; i < end; ++i) {
        if (argv[i][0] != '@') {
            arguments->push_back({argv[i], nullptr, 0});
            continue;
        }
        last_file = argv[i] + 1;
        if (read_settings_file(argument_path(argc, argv, i, 1), last_file, arguments) != 0) {
            return -1;
        }
    }
    // An empty template (a failed export saved as one, /dev/null, only
    // comments) asks for nothing: saving the record unchanged would report
    // success on every server it is applied to.
    if (arguments->empty() && last_file != nullptr) {
        refuse_with("ERROR: no setting given (the settings file %s holds none)!\n", shown_text(last_file).c_str());
        return -1;
    }
    if (arguments->empty()) {
        print_usage();
        return -1;
    }
    return 0;
}

// A record that reads all 0xFF was erased (an erase command, or a save cut
// short before its first page), not configured: every field the operator
// does not give stays 0xFF, which the display shows as values. Configuring
// it is allowed; the operator hears what it means. Only the whole record
// counts: one with a single byte written is some record, not an erased one.
void warn_if_erased(std::uint8_t adapter, const boot_settings_record& previous) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&previous);
    for (std::size_t i = 0; i < sizeof previous; ++i) {
        if (bytes[i] != 0xFF) {
            return;
        }
    }
    std::fprintf(stderr,
                 "Warning: the settings record of Adapter %d is erased; settings not given keep their erased "
                 "values. A backup brings the previous settings back: %s.\n",
                 adapter, settings_restore_command(adapter));
}

}  // namespace

int configure_adapter(std::uint8_t adapter, int argc, char** argv, settings_buffer* buffer, configure_report* report) {
    *report = {};
    report->dry_run = is_dry_run_word(argv[argc - 1]);
    const int settings_end = report->dry_run ? argc - 1 : argc;
    // A dry run of no setting is a configure without a setting.
    if (settings_end <= 3) {
        print_usage();
        return -1;
    }
    std::vector<setting_argument> arguments;
    if (gather_arguments(argc, argv, settings_end, &arguments) != 0 || read_settings(adapter, buffer, false) != 0) {
        return -1;
    }
    if (is_version_1_0(buffer->record)) {
        std::printf("\nERROR: unsupported Option ROM version 1.0!\n");
        return -1;
    }
    // What the flash held, for the save to put back if it fails.
    const boot_settings_record previous = buffer->record;
    if (apply_arguments(&buffer->record, arguments) != 0) {
        return -1;
    }
    report->compared = true;
    report->changes = settings_changes(previous, buffer->record);
    if (report->dry_run || report->changes.empty()) {
        return 0;
    }
    warn_if_erased(adapter, previous);
    report->saved = true;
    report->save_code = save_settings(adapter, buffer, &previous, &report->previous);
    return report->save_code == 0 ? 0 : -1;
}

int configure_status(int rc, const configure_report& report) {
    if (report.saved) {
        return writing_command_status(report.save_code, "the new settings were saved and verified",
                                      "the new settings were not saved (see above)");
    }
    return rc == 0 ? 0 : -1;
}

void run_configure_command(std::uint8_t adapter, int argc, char** argv, settings_buffer* buffer) {
    configure_report report;
    const int rc = configure_adapter(adapter, argc, argv, buffer, &report);
    if (rc == 0 && report.dry_run) {
        print_configure_dry_run(report.changes);
    } else if (rc == 0 && !report.saved) {
        std::printf("Settings unchanged, nothing written.\n");
    }
    exit_program(configure_status(rc, report));
}
