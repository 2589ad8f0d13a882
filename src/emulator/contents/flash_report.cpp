#include "emulator/contents/flash_report.h"

#include "emulator/contents/boot_settings_layout.h"
#include "emulator/contents/option_rom_image.h"

#include <cstdio>
#include <cstring>

namespace {

// Where a BIOS looks for the loader's header: the first 512 bytes.
constexpr std::uint32_t kHeaderSearchBytes = 512;
constexpr std::size_t kDumpBytesPerLine = 16;

std::string format(const char* fmt, unsigned a = 0, unsigned b = 0, unsigned c = 0, unsigned d = 0) {
    char text[160];
    std::snprintf(text, sizeof text, fmt, a, b, c, d);
    return text;
}

unsigned le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8);
}

bool has_signature(const std::vector<std::uint8_t>& flash) {
    return flash.size() >= 2 && flash[0] == 0x55 && flash[1] == 0xAA;
}

long find_text(const std::vector<std::uint8_t>& flash, const char* text, std::size_t limit) {
    const std::size_t n = std::strlen(text);
    for (std::size_t at = 0; at + n <= limit && at + n <= flash.size(); ++at) {
        if (std::memcmp(flash.data() + at, text, n) == 0) {
            return static_cast<long>(at);
        }
    }
    return -1;
}

std::string hex_bytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += format(i == 0 ? "%02x" : " %02x", bytes[i]);
    }
    return text;
}

bool all_equal(const std::uint8_t* bytes, std::size_t count, std::uint8_t value) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != value) {
            return false;
        }
    }
    return true;
}

std::string quoted_text(const std::uint8_t* bytes, std::size_t size) {
    if (all_equal(bytes, size, 0xFF)) {
        return "(erased)";
    }
    std::string text = "\"";
    for (std::size_t i = 0; i < size && bytes[i] != 0; ++i) {
        const std::uint8_t c = bytes[i];
        text += (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') ? std::string(1, static_cast<char>(c))
                                                                 : format("\\x%02x", c);
    }
    return text + "\"";
}

std::string ipv4_text(const std::uint8_t* b) {
    return format("%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

// The meaning of a field's bytes, shown after them.
std::string field_meaning(const settings_field& field, const std::uint8_t* b) {
    switch (field.kind) {
        case settings_field_kind::magic:
            return std::memcmp(b, "KIB", 4) == 0 ? "\"KIB\"" : "(no magic: not a settings record)";
        case settings_field_kind::number: {
            const unsigned value = field.size == 1 ? b[0] : static_cast<unsigned>(b[0] | (b[1] << 8));
            return format(field.size == 1 ? "%u (0x%02x)" : "%u (0x%04x)", value, value);
        }
        case settings_field_kind::text: return quoted_text(b, field.size);
        case settings_field_kind::ipv4: return ipv4_text(b);
        case settings_field_kind::portals: return {};
        case settings_field_kind::reserved: return {};
    }
    return {};
}

std::string field_lines(const settings_field& field, const std::uint8_t* b) {
    const std::string head = format("  +0x%03x  ", field.offset) + field.name;
    std::string text = head + std::string(head.size() < 32 ? 32 - head.size() : 1, ' ');
    if (field.kind == settings_field_kind::portals) {
        text = head + "\n";
        for (unsigned entry = 0; entry < 2; ++entry) {
            const std::uint8_t* e = b + 8 * entry;
            std::string line = format("  +0x%03x    portal %u", field.offset + 8 * entry, entry + 1);
            line += std::string(32 - line.size(), ' ') + hex_bytes(e, 8);
            line += all_equal(e, 8, 0)
                        ? "   (deleted)"
                        : "   " + ipv4_text(e) + format(":%u", static_cast<unsigned>(e[4] | (e[5] << 8)));
            text += line + "\n";
        }
        return text;
    }
    const std::size_t first = field.size < kDumpBytesPerLine ? field.size : kDumpBytesPerLine;
    std::string dump = hex_bytes(b, first);
    const std::string meaning = field_meaning(field, b);
    if (!meaning.empty()) {
        dump += std::string(dump.size() < 48 ? 48 - dump.size() : 1, ' ') + "  " + meaning;
    }
    text += dump + "\n";
    for (std::size_t at = first; at < field.size; at += kDumpBytesPerLine) {
        const std::size_t rest = field.size - at;
        if (all_equal(b + at, rest, b[at]) && rest > kDumpBytesPerLine) {
            text += std::string(32, ' ') + format("... %u more bytes of %02x\n", static_cast<unsigned>(rest), b[at]);
            break;
        }
        text += std::string(32, ' ') + hex_bytes(b + at, rest < kDumpBytesPerLine ? rest : kDumpBytesPerLine) + "\n";
    }
    return text;
}

}  // namespace

std::string option_rom_version_text(const std::vector<std::uint8_t>& flash) {
    if (!has_signature(flash)) {
        return {};
    }
    const long at = find_text(flash, "$DM$", kHeaderSearchBytes);
    if (at < 0 || static_cast<std::size_t>(at) + 8 > flash.size()) {
        return {};
    }
    const std::size_t h = static_cast<std::size_t>(at);
    return format("%u.%u.%u", flash[h + 5], flash[h + 4], le16(flash, h + 6));
}

std::string describe_option_rom(const std::vector<std::uint8_t>& flash) {
    if (!has_signature(flash)) {
        return flash.size() >= 2 ? format("Option ROM: not present (flash begins %02x %02x)\n", flash[0], flash[1])
                                 : "Option ROM: not present\n";
    }
    const unsigned length = flash[2] * 512u;
    std::string text = format("Option ROM: present (55 aa), length byte %u (%u bytes)", flash[2], length);
    if (length > 0 && length <= flash.size()) {
        unsigned sum = 0;
        for (unsigned i = 0; i < length; ++i) {
            sum += flash[i];
        }
        text += (sum & 0xFF) == 0 ? ", checksum ok" : format(", checksum off by 0x%02x", sum & 0xFF);
    }
    text += "\n";
    const unsigned pcir = le16(flash, 0x18);
    if (pcir + 0x18 <= kHeaderSearchBytes && std::memcmp(flash.data() + pcir, "PCIR", 4) == 0) {
        text += format("  PCI data structure at 0x%04x: vendor %04x, device %04x, %u blocks\n", pcir,
                       le16(flash, pcir + 4), le16(flash, pcir + 6), le16(flash, pcir + 0x10));
    } else {
        text += "  no PCI data structure\n";
    }
    const long dm = find_text(flash, "$DM$", kHeaderSearchBytes);
    if (dm >= 0) {
        const std::size_t h = static_cast<std::size_t>(dm);
        text += format("  $DM$ header at 0x%04x: ", static_cast<unsigned>(h)) + hex_bytes(flash.data() + h, 16) + "\n" +
                "  version " + option_rom_version_text(flash) + "\n";
    } else {
        text += "  no $DM$ header in the first 512 bytes\n";
    }
    return text;
}

std::string describe_settings_record(const std::vector<std::uint8_t>& flash) {
    if (flash.size() < kSettingsRecordFlashOffset + kSettingsRecordSize) {
        return "Boot settings record: flash too small\n";
    }
    const std::uint8_t* record = flash.data() + kSettingsRecordFlashOffset;
    if (all_equal(record, kSettingsRecordSize, 0xFF)) {
        return "Boot settings record at 0x30000: erased (all ff)\n";
    }
    std::string text = format("Boot settings record at 0x30000 (%u bytes):\n", kSettingsRecordSize);
    for (int i = 0; i < kSettingsFieldCount; ++i) {
        text += field_lines(kSettingsFields[i], record + kSettingsFields[i].offset);
    }
    return text;
}
