#include "settings/setting_table.h"

#include "settings/ipv4_parser.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr value_choice kEnd = {nullptr, word_match::whole, 0};

constexpr value_choice kNetworkTypes[] = {
    {"dhcp", word_match::whole, kNetworkDhcp},
    {"static", word_match::whole, kNetworkStatic},
    kEnd,
};

// The boot switch has always taken any word that starts like yes/no or 1/0.
constexpr value_choice kBootSwitch[] = {
    {"yes", word_match::starts, 1},
    {"1", word_match::starts, 1},
    {"no", word_match::starts, 0},
    {"0", word_match::starts, 0},
    kEnd,
};

constexpr value_choice kPreferredPorts[] = {
    {"0", word_match::whole, 0},
    {"1", word_match::whole, 1},
    {"any", word_match::whole, kPreferredPortAny},
    kEnd,
};

// Any other word used to be taken and change nothing, so a typo such as
// "one-way" (the spelling of the usage text) looked like success.
constexpr value_choice kChapTypes[] = {
    {"none", word_match::whole, kChapNone},
    {"oneway", word_match::whole, kChapOneWay},
    {"mutual", word_match::whole, kChapMutual},
    kEnd,
};

// The data digest's off has always been matched on its start ("offline"
// switches it off); the header digest's only as a whole word.
constexpr value_choice kDataDigest[] = {
    {"on", word_match::whole, 1},
    {"1", word_match::whole, 1},
    {"off", word_match::starts, 0},
    {"0", word_match::whole, 0},
    kEnd,
};

constexpr value_choice kOnOff[] = {
    {"on", word_match::whole, 1},
    {"1", word_match::whole, 1},
    {"off", word_match::whole, 0},
    {"0", word_match::whole, 0},
    kEnd,
};

// The flag is inverted in the record: 0 means the OS initiator is used. The
// usage text offers yes|no, so those are taken as well as on/off and 1/0.
constexpr value_choice kOsInitiator[] = {
    {"on", word_match::whole, 0},
    {"1", word_match::whole, 0},
    {"yes", word_match::whole, 0},
    {"off", word_match::whole, 1},
    {"0", word_match::whole, 1},
    {"no", word_match::whole, 1},
    kEnd,
};

constexpr const char* kOnOffMessage = "ERROR: only on / off or 1 / 0 allowed as value for setting %s!\n";
constexpr const char* kChapUserMessage = "ERROR: CHAP username too long!\n";
constexpr const char* kChapSecretMessage = "ERROR: CHAP secret can be only 12 - 16 characters in length!\n";

// The length bounds leave room for the terminating zero in every field. A
// CHAP secret is empty (no secret) or 12 to 16 characters, the lengths the
// iSCSI CHAP exchange of the boot firmware works with.
constexpr std::uint32_t kIqnNameMax = 95;   // in 96 bytes
constexpr std::uint32_t kChapUserMax = 63;  // in 64 bytes
constexpr std::uint32_t kChapSecretMin = 12;
constexpr std::uint32_t kChapSecretMax = 16;

#define FIELD(f) offsetof(boot_settings_record, f), sizeof(boot_settings_record::f)

// In the order of comparison: by name length group, then within the group.
// Only the group matters for exact names; it confines the one prefix match,
// targetlun, to names whose length falls in no other group (so
// "targetlunabcde" is targetlun, while "targetluna", of the 10-character
// group, is unknown).
const setting_row kSettingRows[] = {
    {"networktype", 11, 0, setting_kind::choice, FIELD(networktype), kNetworkTypes, false, 0, 0, false, 0,
     "ERROR: only dhcp / static allowed as value for setting %s!\n", message_fill::name},
    {"portalgroup", 11, 0, setting_kind::number, FIELD(portalgroup), nullptr, false, 1, 255, false, 0,
     "ERROR: Portal Group Tag should be positive integer number!\n"},
    {"bootenabled", 11, 0, setting_kind::choice, FIELD(bootenabled), kBootSwitch, true, 0, 0, false, 0,
     "ERROR: BIOS enable / disable value can be yes/no or 1/0!\n"},
    {"initiatorname", 13, 0, setting_kind::text, FIELD(initiatorname), nullptr, false, 0, kIqnNameMax, false, 0,
     "ERROR: Initiator IQN name too long!\n"},
    {"initiatoruser", 13, 0, setting_kind::text, FIELD(initiatoruser), nullptr, false, 0, kChapUserMax, false, 0,
     kChapUserMessage},
    {"initiatorpass", 13, 0, setting_kind::secret, FIELD(initiatorpass), nullptr, false, kChapSecretMin, kChapSecretMax,
     false, 0, kChapSecretMessage},
    {"preferredport", 13, 0, setting_kind::choice, FIELD(preferredport), kPreferredPorts, false, 0, 0, false, 0,
     "ERROR: Preferred port can be only any or 0 or 1!\n"},
    {"staticip", 8, 0, setting_kind::address, FIELD(staticip), nullptr, false, 0, 0, false, kIpv4Address,
     "ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n"},
    {"staticgw", 8, 0, setting_kind::address, FIELD(staticgw), nullptr, false, 0, 0, false, kIpv4Gateway,
     "ERROR: Gateway IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n"},
    {"chaptype", 8, 0, setting_kind::choice, FIELD(chaptype), kChapTypes, false, 0, 0, false, 0,
     "ERROR: CHAP type can be only none, oneway or mutual!\n"},
    {"targetname", 10, 0, setting_kind::text, FIELD(targetname), nullptr, false, 0, kIqnNameMax, false, 0,
     "ERROR: Target IQN name too long!\n"},
    {"targetuser", 10, 0, setting_kind::text, FIELD(targetuser), nullptr, false, 0, kChapUserMax, false, 0,
     kChapUserMessage},
    {"targetpass", 10, 0, setting_kind::secret, FIELD(targetpass), nullptr, false, kChapSecretMin, kChapSecretMax,
     false, 0, kChapSecretMessage},
    {"staticmask", 10, 0, setting_kind::address, FIELD(staticmask), nullptr, false, 0, 0, false, kIpv4Mask,
     "ERROR: Subnet mask should be of the notation A.B.C.D, and must be valid IPv4 Mask!\n"},
    {"datadigest", 10, 0, setting_kind::choice, FIELD(datadigest), kDataDigest, true, 0, 0, false, 0, kOnOffMessage,
     message_fill::name},
    {"headerdigest", 12, 0, setting_kind::choice, FIELD(headerdigest), kOnOff, true, 0, 0, false, 0, kOnOffMessage,
     message_fill::name},
    {"deleteportal", 12, 0, setting_kind::portal_tag, FIELD(targetportal), nullptr, false, 1, 2, false, 0,
     "ERROR: value's Portal Group Tag-number allowed is 1 or 2, %s!\n", message_fill::value},
    {"oskorvaneini", 12, 0, setting_kind::choice, FIELD(oskorvaneini), kOsInitiator, true, 0, 0, false, 0,
     kOnOffMessage, message_fill::name},
    {"targetportal", 12, 0, setting_kind::portal, FIELD(targetportal), nullptr, false, 1, 65535, false, kIpv4Address,
     "ERROR: IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n", message_fill::none,
     "Warning: Target IP is not on HBA's local network, and HBA default gateway IP is not set!"},
    {"targetfromdhcp", kOtherNameLengths, 0, setting_kind::target_from_dhcp, FIELD(networktype), kOnOff, false, 0, 0,
     false, 0, kOnOffMessage, message_fill::name},
    {"targetlun", kOtherNameLengths, 9, setting_kind::number, FIELD(targetlun), nullptr, false, 0, 255, true, 0,
     "ERROR: Target LUN should be an integer number from 0 to 255!\n"},
    {"targetdiscoveryport", kOtherNameLengths, 0, setting_kind::number, FIELD(targetdiscoveryport), nullptr, false, 1,
     65535, false, 0, "ERROR: Target discovery TCP port should be an integer number from 1 to 65535!\n"},
    {"targetdiscoveryip", kOtherNameLengths, 0, setting_kind::address, FIELD(targetdiscoveryip), nullptr, false, 0, 0,
     false, kIpv4Address, "ERROR: Target IP address should be of the notation A.B.C.D, as a valid IPv4 address!\n",
     message_fill::none,
     "Warning: Target discovery IP is not on HBA's local network, and HBA default gateway IP is not set!"},
    // 4095 is reserved by 802.1Q; 0 clears the VLAN ID.
    {"vlanid", kOtherNameLengths, 0, setting_kind::number, FIELD(vlanid), nullptr, false, 0, 4094, true, 0,
     "ERROR: VLAN ID needs to be between 1 and 4094 or 0 to clear the VLAN ID!\n"},
};

#undef FIELD

// The name buffer holds 19 characters and a terminator.
constexpr std::size_t kNameLengthBound = 20;

std::size_t length_group(const char* name) {
    const std::size_t length = strnlen(name, kNameLengthBound);
    for (const setting_row& row : kSettingRows) {
        if (row.name_length_group == length) {
            return length;
        }
    }
    return kOtherNameLengths;
}

bool name_matches(const setting_row& row, const char* name) {
    if (row.compared_length != 0) {
        return std::strncmp(name, row.name, row.compared_length) == 0;
    }
    return std::strcmp(name, row.name) == 0;
}

}  // namespace

std::span<const setting_row> setting_rows() {
    return kSettingRows;
}

const setting_row* find_setting_row(const char* name) {
    const std::size_t group = length_group(name);
    for (const setting_row& row : kSettingRows) {
        if (row.name_length_group == group && name_matches(row, name)) {
            return &row;
        }
    }
    return nullptr;
}

const setting_row& setting_row_named(const char* name) {
    for (const setting_row& row : kSettingRows) {
        if (std::strcmp(row.name, name) == 0) {
            return row;
        }
    }
    std::abort();  // a name missing from the table is a fault of this program
}

std::uint8_t* setting_field(boot_settings_record& record, const setting_row& row) {
    return reinterpret_cast<std::uint8_t*>(&record) + row.field_offset;
}

const std::uint8_t* setting_field(const boot_settings_record& record, const setting_row& row) {
    return reinterpret_cast<const std::uint8_t*>(&record) + row.field_offset;
}

// Multi-byte fields of the record are little-endian.
std::uint32_t read_number_field(const boot_settings_record& record, const setting_row& row) {
    const std::uint8_t* field = setting_field(record, row);
    return row.field_size == 1 ? field[0] : static_cast<std::uint32_t>(field[0] | (field[1] << 8));
}

void write_number_field(boot_settings_record& record, const setting_row& row, std::uint32_t number) {
    std::uint8_t* field = setting_field(record, row);
    field[0] = static_cast<std::uint8_t>(number & 0xFF);
    if (row.field_size == 2) {
        field[1] = static_cast<std::uint8_t>(number >> 8);
    }
}

const value_choice* find_choice(const value_choice* choices, const char* value) {
    for (const value_choice* c = choices; c->word != nullptr; ++c) {
        const bool hit = c->how == word_match::whole ? std::strcmp(value, c->word) == 0
                                                     : std::strncmp(value, c->word, std::strlen(c->word)) == 0;
        if (hit) {
            return c;
        }
    }
    return nullptr;
}

const char* choice_word(const value_choice* choices, std::uint8_t stored) {
    for (const value_choice* c = choices; c->word != nullptr; ++c) {
        if (c->stored == stored) {
            return c->word;
        }
    }
    return nullptr;
}
