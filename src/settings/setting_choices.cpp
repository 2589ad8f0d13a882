// The settings whose value is one of a few words. Which words each accepts,
// and whether a word must be the whole value or only its start, is data.
#include "settings/setting_handlers.h"

#include <cstdio>
#include <cstring>

namespace {

enum class match : std::uint8_t {
    whole,   // the value is the word
    starts,  // the value begins with the word
};

struct value_choice {
    const char* word;
    match how;
    std::uint8_t stored;
};

// A choice list ends with an entry without a word.
constexpr value_choice kEnd = {nullptr, match::whole, 0};

const value_choice* find_choice(const value_choice* choices, const char* value) {
    for (const value_choice* c = choices; c->word != nullptr; ++c) {
        const bool hit = c->how == match::whole ? std::strcmp(value, c->word) == 0
                                                : std::strncmp(value, c->word, std::strlen(c->word)) == 0;
        if (hit) {
            return c;
        }
    }
    return nullptr;
}

constexpr value_choice kNetworkTypes[] = {
    {"dhcp", match::whole, kNetworkDhcp},
    {"static", match::whole, kNetworkStatic},
    kEnd,
};

// The boot switch has always taken any word that starts like yes/no or 1/0.
constexpr value_choice kBootSwitch[] = {
    {"yes", match::starts, 1}, {"1", match::starts, 1}, {"no", match::starts, 0}, {"0", match::starts, 0}, kEnd,
};

constexpr value_choice kPreferredPorts[] = {
    {"0", match::whole, 0},
    {"1", match::whole, 1},
    {"any", match::whole, kPreferredPortAny},
    kEnd,
};

constexpr value_choice kChapTypes[] = {
    {"none", match::whole, kChapNone},
    {"oneway", match::whole, kChapOneWay},
    {"mutual", match::whole, kChapMutual},
    kEnd,
};

// The data digest's off has always been matched on its start ("offline"
// switches it off); the header digest's only as a whole word.
constexpr value_choice kDataDigest[] = {
    {"on", match::whole, 1}, {"1", match::whole, 1}, {"off", match::starts, 0}, {"0", match::whole, 0}, kEnd,
};

constexpr value_choice kHeaderDigest[] = {
    {"on", match::whole, 1}, {"1", match::whole, 1}, {"off", match::whole, 0}, {"0", match::whole, 0}, kEnd,
};

// The flag is inverted in the record: 0 means the OS initiator is used. The
// usage text offers yes|no, so those are taken as well as on/off and 1/0.
constexpr value_choice kOsInitiator[] = {
    {"on", match::whole, 0},
    {"1", match::whole, 0},
    {"yes", match::whole, 0},
    {"off", match::whole, 1},
    {"0", match::whole, 1},
    {"no", match::whole, 1},
    kEnd,
};

constexpr value_choice kTargetFromDhcp[] = {
    {"on", match::whole, 1}, {"1", match::whole, 1}, {"off", match::whole, 0}, {"0", match::whole, 0}, kEnd,
};

constexpr const char* kOnOffMessage = "ERROR: only on / off or 1 / 0 allowed as value for setting %s!\n";

int refuse_with_name(const char* message, const char* name) {
    std::fprintf(stderr, message, name);
    return -1;
}

int refuse(const char* message) {
    std::fputs(message, stderr);
    return -1;
}

}  // namespace

int apply_networktype(boot_settings_record& record, const char* name, const char* value) {
    const value_choice* c = find_choice(kNetworkTypes, value);
    if (c == nullptr) {
        return refuse_with_name("ERROR: only dhcp / static allowed as value for setting %s!\n", name);
    }
    record.networktype = c->stored;
    return 0;
}

int apply_bootenabled(boot_settings_record& record, const char*, const char* value) {
    const value_choice* c = find_choice(kBootSwitch, value);
    if (c == nullptr) {
        return refuse("ERROR: BIOS enable / disable value can be yes/no or 1/0!\n");
    }
    record.bootenabled = c->stored;
    return 0;
}

int apply_preferredport(boot_settings_record& record, const char*, const char* value) {
    const value_choice* c = find_choice(kPreferredPorts, value);
    if (c == nullptr) {
        return refuse("ERROR: Preferred port can be only any or 0 or 1!\n");
    }
    record.preferredport = c->stored;
    return 0;
}

// Any other word used to be taken and change nothing, so a typo such as
// "one-way" (the spelling of the usage text) looked like success.
int apply_chaptype(boot_settings_record& record, const char*, const char* value) {
    const value_choice* c = find_choice(kChapTypes, value);
    if (c == nullptr) {
        return refuse("ERROR: CHAP type can be only none, oneway or mutual!\n");
    }
    record.chaptype = c->stored;
    return 0;
}

int apply_datadigest(boot_settings_record& record, const char* name, const char* value) {
    const value_choice* c = find_choice(kDataDigest, value);
    if (c == nullptr) {
        return refuse_with_name(kOnOffMessage, name);
    }
    record.datadigest = c->stored;
    return 0;
}

int apply_headerdigest(boot_settings_record& record, const char* name, const char* value) {
    const value_choice* c = find_choice(kHeaderDigest, value);
    if (c == nullptr) {
        return refuse_with_name(kOnOffMessage, name);
    }
    record.headerdigest = c->stored;
    return 0;
}

int apply_oskorvaneini(boot_settings_record& record, const char* name, const char* value) {
    const value_choice* c = find_choice(kOsInitiator, value);
    if (c == nullptr) {
        return refuse_with_name(kOnOffMessage, name);
    }
    record.oskorvaneini = c->stored;
    return 0;
}

// The target from DHCP only makes sense on top of DHCP addressing, so on
// selects network type 2. Off steps back from 2 to plain DHCP; a static or
// plain DHCP network type is already "off" and stays as it is.
int apply_targetfromdhcp(boot_settings_record& record, const char* name, const char* value) {
    const value_choice* c = find_choice(kTargetFromDhcp, value);
    if (c == nullptr) {
        return refuse_with_name(kOnOffMessage, name);
    }
    if (c->stored == 1) {
        record.networktype = kNetworkDhcpWithTarget;
    } else if (record.networktype == kNetworkDhcpWithTarget) {
        record.networktype = kNetworkDhcp;
    }
    return 0;
}
