// apply_setting: finds the setting by name in the table and lets its handler
// judge the value.
#include "settings/setting_assignment.h"

#include "settings/setting_handlers.h"

#include <cstdio>
#include <cstring>

namespace {

// The name buffer holds 19 characters and a terminator.
constexpr std::size_t kNameLengthBound = 20;

// Settings are grouped by the length of their names, the group tried first
// and then the names within it in table order. Only the group matters for
// exact names; it confines the one prefix match, targetlun, to names whose
// length falls in no other group (so "targetlunabcde" is targetlun, while
// "targetluna", of the 10-character group, is unknown).
constexpr std::size_t kOtherLengths = 0;

struct setting_entry {
    std::size_t name_length_group;  // the name's length, or kOtherLengths
    const char* name;
    std::size_t compared_length;  // 0: the whole name, terminator included
    setting_handler apply;
};

constexpr setting_entry kSettings[] = {
    {11, "networktype", 0, apply_networktype},
    {11, "portalgroup", 0, apply_portalgroup},
    {11, "bootenabled", 0, apply_bootenabled},
    {13, "initiatorname", 0, apply_initiatorname},
    {13, "initiatoruser", 0, apply_initiatoruser},
    {13, "initiatorpass", 0, apply_initiatorpass},
    {13, "preferredport", 0, apply_preferredport},
    {8, "staticip", 0, apply_staticip},
    {8, "staticgw", 0, apply_staticgw},
    {8, "chaptype", 0, apply_chaptype},
    {10, "targetname", 0, apply_targetname},
    {10, "targetuser", 0, apply_targetuser},
    {10, "targetpass", 0, apply_targetpass},
    {10, "staticmask", 0, apply_staticmask},
    {10, "datadigest", 0, apply_datadigest},
    {12, "headerdigest", 0, apply_headerdigest},
    {12, "deleteportal", 0, apply_deleteportal},
    {12, "oskorvaneini", 0, apply_oskorvaneini},
    {12, "targetportal", 0, apply_targetportal},
    {kOtherLengths, "targetfromdhcp", 0, apply_targetfromdhcp},
    {kOtherLengths, "targetlun", 9, apply_targetlun},
    {kOtherLengths, "targetdiscoveryport", 0, apply_targetdiscoveryport},
    {kOtherLengths, "targetdiscoveryip", 0, apply_targetdiscoveryip},
    {kOtherLengths, "vlanid", 0, apply_vlanid},
};

std::size_t length_group(const char* name) {
    const std::size_t length = strnlen(name, kNameLengthBound);
    for (const setting_entry& entry : kSettings) {
        if (entry.name_length_group == length) {
            return length;
        }
    }
    return kOtherLengths;
}

bool name_matches(const setting_entry& entry, const char* name) {
    if (entry.compared_length != 0) {
        return std::strncmp(name, entry.name, entry.compared_length) == 0;
    }
    return std::strcmp(name, entry.name) == 0;
}

const setting_entry* find_setting(const char* name) {
    const std::size_t group = length_group(name);
    for (const setting_entry& entry : kSettings) {
        if (entry.name_length_group == group && name_matches(entry, name)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

int apply_setting(boot_settings_record* record, const char* name, const char* value) {
    // The configure command always passes zero-terminated buffers; an absent
    // name or value is read as empty rather than dereferenced.
    if (name == nullptr) {
        name = "";
    }
    if (value == nullptr) {
        value = "";
    }
    if (record == nullptr) {
        std::fprintf(stderr, "ERROR: no settings record to apply setting %s to!\n", name);
        return -1;
    }
    const setting_entry* entry = find_setting(name);
    if (entry == nullptr) {
        std::fprintf(stderr, "ERROR: unknown setting %s!\n", name);
        return -1;
    }
    return entry->apply(*record, name, value);
}
