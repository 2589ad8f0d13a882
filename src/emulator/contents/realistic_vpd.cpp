// The VPD structure of a realistic adapter, laid out from a keyword table:
// the item lengths are the sums of what the table puts in them, and the RV
// checksum is computed over what was written, so the structure is valid by
// construction rather than by hand-counted offsets.
#include "emulator/contents/realistic_contents.h"
#include "emulator/model/vpd_capability_model.h"

#include <cstring>
#include <string>

namespace {

// PCI VPD resource tags.
constexpr std::uint8_t kTagIdentifierString = 0x82;
constexpr std::uint8_t kTagReadOnly = 0x90;
constexpr std::uint8_t kTagReadWrite = 0x91;
constexpr std::uint8_t kTagEnd = 0x78;

// A keyword's data comes from the adapter's profile (member), or is the same
// on every adapter (text), or is reserved space of zeros (neither).
struct vpd_keyword {
    const char* name;
    std::uint8_t length;
    const char* text;
    std::string adapter_profile::*member;
};

// The adapter's keyword layout: read-only keywords, closed by RV (checksum
// byte and reserved space); read-write keywords, closed by RW (the free
// read-write area).
const vpd_keyword kReadOnlyKeywords[] = {
    {"PN", 16, nullptr, &adapter_profile::part_number},
    {"EC", 16, "EC-A12", nullptr},
    {"SL", 16, nullptr, &adapter_profile::serial_number},
    {"NA", 12, nullptr, &adapter_profile::network_address},
    {"V0", 6, "FW 4.2", nullptr},
    {"V1", 6, "BOOT", nullptr},
    {"V2", 6, "2 PORT", nullptr},
    {"V3", 6, "PCIE2", nullptr},
    {"V4", 2, "x4", nullptr},
    {"V5", 6, "LP BKT", nullptr},
    {"V6", 6, "ROHS", nullptr},
    {"V7", 2, "01", nullptr},
    {"V8", 2, "00", nullptr},
    {"V9", 2, "A1", nullptr},
    {"VA", 2, "P1", nullptr},
    {"RV", 80, nullptr, nullptr},
};
const vpd_keyword kReadWriteKeywords[] = {
    {"VC", 16, "CFG PORT0 AUTO", nullptr}, {"VD", 16, "CFG PORT1 AUTO", nullptr}, {"VE", 16, "ASSET UNSET", nullptr},
    {"VF", 16, "SITE LAB", nullptr},       {"RW", 173, nullptr, nullptr},
};

// The data of a keyword, blank-padded or cut to its length.
std::string keyword_data(const adapter_profile& p, const vpd_keyword& k) {
    std::string data;
    if (k.member != nullptr) {
        data = p.*k.member;
    } else if (k.text != nullptr) {
        data = k.text;
    } else {
        return std::string(k.length, '\0');
    }
    data.resize(k.length, ' ');
    return data;
}

struct vpd_writer {
    std::vector<std::uint8_t>* storage;
    std::uint32_t at;

    void byte(std::uint8_t b) { (*storage)[at++] = b; }
    void word(std::uint16_t w) {
        byte(static_cast<std::uint8_t>(w));
        byte(static_cast<std::uint8_t>(w >> 8));
    }
    void text(const std::string& s) {
        for (char c : s) {
            byte(static_cast<std::uint8_t>(c));
        }
    }
};

template <std::size_t N>
std::uint16_t item_length(const vpd_keyword (&keywords)[N]) {
    std::uint16_t length = 0;
    for (const vpd_keyword& k : keywords) {
        length = static_cast<std::uint16_t>(length + 3 + k.length);
    }
    return length;
}

template <std::size_t N>
void write_keywords(vpd_writer& w, const adapter_profile& p, const vpd_keyword (&keywords)[N],
                    std::uint32_t* rv_checksum_at) {
    for (const vpd_keyword& k : keywords) {
        w.text(k.name);
        w.byte(k.length);
        if (std::strcmp(k.name, "RV") == 0) {
            *rv_checksum_at = w.at;  // the first data byte of RV
        }
        w.text(keyword_data(p, k));
    }
}

}  // namespace

std::vector<std::uint8_t> build_realistic_vpd(const adapter_profile& p) {
    std::vector<std::uint8_t> storage(kVpdStorageSize, 0xFF);
    vpd_writer w{&storage, kVpdStructureAddress};
    w.byte(kTagIdentifierString);
    w.word(static_cast<std::uint16_t>(p.description.size()));
    w.text(p.description);

    std::uint32_t checksum_at = 0;
    w.byte(kTagReadOnly);
    w.word(item_length(kReadOnlyKeywords));
    write_keywords(w, p, kReadOnlyKeywords, &checksum_at);
    // RV: every byte from the start of the structure through the checksum
    // byte sums to zero.
    unsigned sum = 0;
    for (std::uint32_t i = kVpdStructureAddress; i < checksum_at; ++i) {
        sum += storage[i];
    }
    storage[checksum_at] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));

    std::uint32_t unused = 0;
    w.byte(kTagReadWrite);
    w.word(item_length(kReadWriteKeywords));
    write_keywords(w, p, kReadWriteKeywords, &unused);
    w.byte(kTagEnd);

    vpd_writer ids{&storage, kVpdVendorIdAddress};
    ids.word(p.vendor_id);
    ids.word(p.device_id);
    return storage;
}
