#include "inventory_adapters.h"

#include <cstring>
#include <filesystem>

void inventory_adapter::set_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next) {
    config[offset] = id;
    config[offset + 1u] = next;
}

void inventory_adapter::set_capabilities_ending_in_vpd(std::uint8_t vpd_offset) {
    config[0x34] = 0x40;
    set_capability(0x40, 0x01, vpd_offset);
    set_capability(vpd_offset, 0x03, 0x00);
}

void inventory_adapter::set_vpd_bytes(std::uint32_t address, const std::string& bytes) {
    std::memcpy(vpd.data() + address, bytes.data(), bytes.size());
}

namespace {

// Appends a keyword with its data padded (or cut) to length bytes.
void put_keyword(std::vector<std::uint8_t>* item, const char* name, std::uint8_t length, const std::string& data) {
    item->push_back(static_cast<std::uint8_t>(name[0]));
    item->push_back(static_cast<std::uint8_t>(name[1]));
    item->push_back(length);
    for (std::uint8_t i = 0; i < length; ++i) {
        item->push_back(i < data.size() ? static_cast<std::uint8_t>(data[i]) : ' ');
    }
}

void put_large_item(std::vector<std::uint8_t>* image, std::uint8_t tag, const std::vector<std::uint8_t>& data) {
    image->push_back(tag);
    image->push_back(static_cast<std::uint8_t>(data.size() & 0xFF));
    image->push_back(static_cast<std::uint8_t>(data.size() >> 8));
    image->insert(image->end(), data.begin(), data.end());
}

}  // namespace

void inventory_adapter::set_vpd(const std::string& description, const std::string& na_digits, std::uint16_t vendor,
                                std::uint16_t device) {
    std::vector<std::uint8_t> image;
    std::vector<std::uint8_t> identifier(16, ' ');
    std::memcpy(identifier.data(), description.data(), std::min<std::size_t>(16, description.size()));
    put_large_item(&image, 0x82, identifier);

    std::vector<std::uint8_t> ro;
    put_keyword(&ro, "PN", 16, "HBA-2P-10G-0001");
    put_keyword(&ro, "EC", 16, "EC-A03");
    put_keyword(&ro, "SL", 16, "SN0123456789ABCD");
    put_keyword(&ro, "NA", 12, na_digits);
    const char* vendor_keywords[] = {"V0", "V1", "V2", "V3", "V4", "V5", "V6", "V7", "V8", "V9", "VA"};
    const std::uint8_t vendor_lengths[] = {6, 6, 6, 6, 2, 6, 6, 2, 2, 2, 2};
    for (int i = 0; i < 11; ++i) {
        // Appended rather than "v" + std::to_string(i): GCC 12 at -O3 reports a
        // false -Wrestrict overlap inside that operator+ of libstdc++.
        std::string data = "v";
        data += std::to_string(i);
        put_keyword(&ro, vendor_keywords[i], vendor_lengths[i], data);
    }
    ro.push_back('R');
    ro.push_back('V');
    ro.push_back(80);
    ro.resize(ro.size() + 80, 0);
    put_large_item(&image, 0x90, ro);
    // The RV checksum: the bytes from the first tag through it sum to zero.
    const std::size_t checksum_at = image.size() - 80;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < checksum_at; ++i) {
        sum = static_cast<std::uint8_t>(sum + image[i]);
    }
    image[checksum_at] = static_cast<std::uint8_t>(0x100 - sum);

    std::vector<std::uint8_t> rw;
    for (const char* k : {"VC", "VD", "VE", "VF"}) {
        put_keyword(&rw, k, 16, "");
    }
    rw.push_back('R');
    rw.push_back('W');
    rw.push_back(173);
    rw.resize(rw.size() + 173, 0);
    put_large_item(&image, 0x91, rw);
    image.push_back(0x78);

    std::memcpy(vpd.data() + 0xC00, image.data(), image.size());
    vpd[0x194E] = static_cast<std::uint8_t>(vendor & 0xFF);
    vpd[0x194F] = static_cast<std::uint8_t>(vendor >> 8);
    vpd[0x1950] = static_cast<std::uint8_t>(device & 0xFF);
    vpd[0x1951] = static_cast<std::uint8_t>(device >> 8);
}

void inventory_adapter::set_option_rom_without_header() {
    for (std::uint32_t i = 0; i < 0x800; ++i) {
        flash[i] = static_cast<std::uint8_t>(i * 3);
    }
    flash[0] = 0x55;
    flash[1] = 0xAA;
    flash[2] = 0x04;  // size in 512-byte blocks
}

void inventory_adapter::set_option_rom(std::uint8_t major, std::uint8_t minor, std::uint16_t third,
                                       std::uint32_t header_offset) {
    set_option_rom_without_header();
    std::uint8_t header[16] = {'$',
                               'D',
                               'M',
                               '$',
                               minor,
                               major,
                               static_cast<std::uint8_t>(third & 0xFF),
                               static_cast<std::uint8_t>(third >> 8),
                               1,
                               2,
                               3,
                               4,
                               5,
                               6,
                               7,
                               8};
    std::memcpy(flash.data() + header_offset, header, sizeof header);
}

void inventory_adapter::set_settings(const std::uint8_t magic[4]) {
    std::uint8_t* record = flash.data() + 0x30000;
    for (std::uint32_t i = 0; i < 444; ++i) {
        record[i] = static_cast<std::uint8_t>(i & 0x7F);
    }
    std::memcpy(record, magic, 4);
    record[4] = 1;
    record[5] = 0xBC;
    record[6] = 0x01;
}

void inventory_adapter::write_to(const emulator_sandbox& box, const std::string& name) const {
    std::filesystem::create_directories(box.folder(name));
    box.write_file(name + "/flash.bin", flash);
    box.write_file(name + "/config.bin", config);
    box.write_file(name + "/vpd.bin", vpd);
    if (!faults.empty()) {
        box.write_text(name + "/faults", faults);
    }
}
