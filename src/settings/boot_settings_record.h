// The boot settings record: the adapter's persisted iSCSI boot configuration,
// 444 bytes at flash offset 0x30000. A persisted format: every offset below
// is checked at compile time, reserved bytes included, and the record is
// always read and written whole so that bytes this utility does not
// interpret survive a save unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One of the two target portals. An all-zero entry is a deleted one; a first
// address byte of 0xFF is what an erased flash holds.
struct portal_entry {
    std::uint8_t ip[4];  // a.b.c.d, a first
    std::uint16_t port;  // little-endian
    std::uint8_t reserved[2];
};

struct boot_settings_record {
    std::uint8_t magic[4];  // "KIB\0"
    std::uint8_t flag;      // a save turns 0 into 1
    std::uint16_t length;   // 444 after a save
    std::uint8_t reserved_07;
    std::uint16_t version;  // high byte 1: version 1.0, unsupported
    char initiatorname[96];
    std::uint8_t networktype;  // network_type values
    std::uint8_t staticip[4];
    std::uint8_t staticmask[4];
    std::uint8_t staticgw[4];  // 0.0.0.0: not set
    std::uint8_t reserved_77;
    std::uint8_t headerdigest;
    std::uint8_t datadigest;
    char targetname[96];
    std::uint8_t targetdiscoveryip[4];
    std::uint16_t targetdiscoveryport;
    std::uint8_t reserved_e0;
    portal_entry targetportal[2];
    std::uint8_t portalgroup;
    std::uint8_t targetlun;
    std::uint8_t chaptype;  // chap_type values
    char initiatoruser[64];
    char initiatorpass[32];
    char targetuser[64];
    char targetpass[32];
    std::uint8_t reserved_1b4;
    std::uint8_t preferredport;  // 0, 1, or 0xFF for any
    std::uint8_t reserved_1b6[2];
    std::uint16_t vlanid;  // 0: not set, else 1 to 4094
    std::uint8_t bootenabled;
    std::uint8_t oskorvaneini;  // inverted: 0 means the OS initiator is used
};

// The in-memory form: the record and 4 bytes that a save writes after it so
// that it programs 448 bytes; nobody reads them back.
struct settings_buffer {
    boot_settings_record record;
    std::uint8_t trailer[4];
};

#pragma pack(pop)

static_assert(sizeof(portal_entry) == 8);
static_assert(offsetof(portal_entry, port) == 4);
static_assert(offsetof(portal_entry, reserved) == 6);

static_assert(offsetof(boot_settings_record, magic) == 0x000);
static_assert(offsetof(boot_settings_record, flag) == 0x004);
static_assert(offsetof(boot_settings_record, length) == 0x005);
static_assert(offsetof(boot_settings_record, reserved_07) == 0x007);
static_assert(offsetof(boot_settings_record, version) == 0x008);
static_assert(offsetof(boot_settings_record, initiatorname) == 0x00A);
static_assert(offsetof(boot_settings_record, networktype) == 0x06A);
static_assert(offsetof(boot_settings_record, staticip) == 0x06B);
static_assert(offsetof(boot_settings_record, staticmask) == 0x06F);
static_assert(offsetof(boot_settings_record, staticgw) == 0x073);
static_assert(offsetof(boot_settings_record, reserved_77) == 0x077);
static_assert(offsetof(boot_settings_record, headerdigest) == 0x078);
static_assert(offsetof(boot_settings_record, datadigest) == 0x079);
static_assert(offsetof(boot_settings_record, targetname) == 0x07A);
static_assert(offsetof(boot_settings_record, targetdiscoveryip) == 0x0DA);
static_assert(offsetof(boot_settings_record, targetdiscoveryport) == 0x0DE);
static_assert(offsetof(boot_settings_record, reserved_e0) == 0x0E0);
static_assert(offsetof(boot_settings_record, targetportal) == 0x0E1);
static_assert(offsetof(boot_settings_record, portalgroup) == 0x0F1);
static_assert(offsetof(boot_settings_record, targetlun) == 0x0F2);
static_assert(offsetof(boot_settings_record, chaptype) == 0x0F3);
static_assert(offsetof(boot_settings_record, initiatoruser) == 0x0F4);
static_assert(offsetof(boot_settings_record, initiatorpass) == 0x134);
static_assert(offsetof(boot_settings_record, targetuser) == 0x154);
static_assert(offsetof(boot_settings_record, targetpass) == 0x194);
static_assert(offsetof(boot_settings_record, reserved_1b4) == 0x1B4);
static_assert(offsetof(boot_settings_record, preferredport) == 0x1B5);
static_assert(offsetof(boot_settings_record, reserved_1b6) == 0x1B6);
static_assert(offsetof(boot_settings_record, vlanid) == 0x1B8);
static_assert(offsetof(boot_settings_record, bootenabled) == 0x1BA);
static_assert(offsetof(boot_settings_record, oskorvaneini) == 0x1BB);
static_assert(sizeof(boot_settings_record) == 444);
static_assert(sizeof(settings_buffer) == 448);

inline constexpr std::uint32_t kSettingsRecordSize = 444;
inline constexpr std::uint32_t kSettingsRecordWords = 111;
inline constexpr std::uint32_t kSettingsWrittenSize = 448;
inline constexpr std::uint16_t kSettingsRecordLength = 444;
inline constexpr std::uint8_t kSettingsMagic[4] = {0x4B, 0x49, 0x42, 0x00};  // "KIB"

enum network_type : std::uint8_t {
    kNetworkStatic = 0,
    kNetworkDhcp = 1,
    kNetworkDhcpWithTarget = 2,  // the boot target comes from DHCP too
};

enum chap_type : std::uint8_t {
    kChapNone = 0,
    kChapOneWay = 1,
    kChapMutual = 2,
};

inline constexpr std::uint8_t kPreferredPortAny = 0xFF;

// The OS-initiator flag is inverted on flash.
inline constexpr std::uint8_t kOsInitiatorUsed = 0;
inline constexpr std::uint8_t kOsInitiatorNotUsed = 1;

inline constexpr std::uint16_t kDefaultIscsiPort = 3260;

// A version 1.0 record (high byte of version is 1) cannot be shown or edited.
bool is_version_1_0(const boot_settings_record& record);

// The first four bytes are the magic.
bool has_settings_magic(const boot_settings_record& record);

// What a save of the configure command makes of the header, so that the
// firmware takes the record: the magic, a flag of 0 turned into 1, the
// length 444.
void fix_up_settings_header(boot_settings_record* record);
