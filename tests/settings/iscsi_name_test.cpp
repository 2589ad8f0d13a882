// The name settings take an iSCSI name in each of its three forms, in
// either letter case, and refuse anything else with the record untouched.
#include "assignment_test_support.h"

#include <cstddef>
#include <string>

namespace {

struct name_case {
    const char* value;
    bool accepted;
};

const name_case kNames[] = {
    {"iqn.2001-04.com.example", true},
    {"iqn.2001-04.com.example:storage.disk1-sys1:xyz", true},
    {"IQN.1991-05.COM.Example:Host-01", true},  // stored as typed
    {"iqn.2026-12.example", true},
    {"eui.02004567A425678D", true},
    {"naa.52004567ba64678d", true},
    {"naa.62004567BA64678D0123456789ABCDEF", true},
    {"foo", false},
    {"iqn2001-04.com.example", false},
    {"iqn.2001-4.com.example", false},
    {"iqn.2001-00.com.example", false},
    {"iqn.2001-13.com.example", false},
    {"iqn.01-04.com.example", false},
    {"iqn.2001-04", false},
    {"iqn.2001-04.", false},
    {"iqn.2001-04.com..example", false},
    {"iqn.2001-04.com.example.:disk", false},
    {"iqn.2001-04.com_example", false},
    {"iqn.2001-04.com.example:host_1", false},
    {"iqn.2001-04.com.example:host 1", false},
    {" iqn.2001-04.com.example", false},
    {"eui.02004567A425678", false},
    {"eui.02004567A425678D0", false},
    {"eui.02004567A425678G", false},
    {"eui.", false},
    {"naa.52004567BA64678D0", false},
    {"naa.52004567BA64678D01234567", false},
    {"ieee.52004567BA64678D", false},
};

TEST_F(AssignmentTest, NameSettingsTakeIscsiNamesOnly) {
    for (const char* setting : {"initiatorname", "targetname"}) {
        const std::string message = std::string("ERROR: ") + setting +
                                    " must be an iSCSI name: iqn.yyyy-mm.reversed.domain[:text], eui. and 16 "
                                    "hexadecimal digits, or naa. and 16 or 32 hexadecimal digits!\n";
        const std::size_t offset = std::string(setting) == "initiatorname"
                                       ? offsetof(boot_settings_record, initiatorname)
                                       : offsetof(boot_settings_record, targetname);
        for (const name_case& c : kNames) {
            if (!c.accepted) {
                expect_refused(setting, c.value, message);
                continue;
            }
            expect_applied(setting, c.value, [&](auto& r) {
                char* field = reinterpret_cast<char*>(&r) + offset;
                std::memset(field, 0, 96);
                std::strcpy(field, c.value);
            });
        }
        expect_applied(setting, "", [&](auto& r) { std::memset(reinterpret_cast<char*>(&r) + offset, 0, 96); });
    }
}

}  // namespace
