// What the configure command would change, one line a setting, with the
// values as the export writes them. CHAP secrets are never shown: a dry run's
// output ends up in the logs of configuration-management runs.
#include "app/dry_run.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void print_change(const settings_change& change) {
    switch (change.kind) {
        case settings_change_kind::values:
            std::printf("%s: %s -> %s\n", change.name.c_str(), change.before.c_str(), change.after.c_str());
            return;
        case settings_change_kind::secret: std::printf("%s: changed\n", change.name.c_str()); return;
        case settings_change_kind::rewritten: std::printf("%s: rewritten\n", change.name.c_str()); return;
    }
}

}  // namespace

bool is_dry_run_word(const char* argument) {
    return std::strcmp(argument, "--dry-run") == 0 || std::strcmp(argument, "-n") == 0;
}

void print_configure_dry_run(const std::vector<settings_change>& changes) {
    if (changes.empty()) {
        std::printf("Settings unchanged, nothing to write (dry run).\n");
        return;
    }
    for (const settings_change& change : changes) {
        print_change(change);
    }
    std::printf("%u setting%s would change; nothing written (dry run).\n", static_cast<unsigned>(changes.size()),
                changes.size() == 1 ? "" : "s");
}
