#include "support/adapter_contents.h"

#include "emulator/contents/realistic_contents.h"

#include <algorithm>
#include <filesystem>

void put_option_rom(bytes* flash, long dm_offset, std::uint8_t major, std::uint8_t minor, std::uint16_t third) {
    for (std::size_t i = 0; i < 0x1000; ++i) {
        (*flash)[i] = static_cast<std::uint8_t>(0x40 + i % 32);
    }
    (*flash)[0] = 0x55;
    (*flash)[1] = 0xAA;
    (*flash)[2] = 0x08;  // 4 KiB in 512-byte blocks
    if (dm_offset >= 0) {
        std::uint8_t* header = flash->data() + dm_offset;
        std::memcpy(header, "$DM$", 4);
        header[4] = minor;
        header[5] = major;
        header[6] = static_cast<std::uint8_t>(third & 0xFF);
        header[7] = static_cast<std::uint8_t>(third >> 8);
        for (int i = 8; i < 16; ++i) {
            header[i] = static_cast<std::uint8_t>(0xA0 + i);
        }
    }
}

bytes make_rom_image(std::size_t size) {
    bytes image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(0x80 + (i * 7 + i / 256) % 0x50);
    }
    if (size >= 2) {
        image[0] = 0x55;
        image[1] = 0xAA;
    }
    return image;
}

bytes make_used_flash() {
    bytes flash(kFlashBytes, 0x00);
    for (std::size_t i = kRecordOffset; i < kRecordOffset + kSectorBytes; ++i) {
        flash[i] = static_cast<std::uint8_t>(i * 11 + 5);
    }
    std::memcpy(flash.data() + kRecordOffset, kValidMagic, sizeof kValidMagic);
    return flash;
}

bytes flash_holding(const boot_settings_record& record) {
    bytes flash = erased_flash();
    const bytes rom = pattern(100 * 1024);
    std::copy(rom.begin(), rom.end(), flash.begin());
    put_option_rom(&flash, 0x1A);
    put_record(&flash, record);
    for (std::size_t i = kRecordOffset + kSectorBytes; i < kFlashBytes; i += 0x1000) {
        flash[i] = 0x42;
    }
    return flash;
}

boot_settings_record record_from_flash(const bytes& flash) {
    boot_settings_record record;
    std::memcpy(&record, flash.data() + kRecordOffset, sizeof record);
    return record;
}

bytes record_bytes(const boot_settings_record& record) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
    return bytes(p, p + sizeof record);
}

boot_settings_record erased_record() {
    boot_settings_record record;
    std::memset(&record, 0xFF, sizeof record);
    return record;
}

void put_ip(std::uint8_t (&field)[4], std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    field[0] = a;
    field[1] = b;
    field[2] = c;
    field[3] = d;
}

void put_portal(portal_entry* entry, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                std::uint16_t port) {
    put_ip(entry->ip, a, b, c, d);
    entry->port = port;
    entry->reserved[0] = 0;
    entry->reserved[1] = 0;
}

boot_settings_record configured_record() {
    boot_settings_record r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.magic, kSettingsMagic, sizeof r.magic);
    r.flag = 1;
    r.length = kSettingsRecordLength;
    r.reserved_07 = 0x5A;
    r.version = 0x0200;
    put_text(r.initiatorname, "iqn.2001-04.com.example:host1");
    r.networktype = kNetworkStatic;
    put_ip(r.staticip, 10, 0, 0, 5);
    put_ip(r.staticmask, 255, 255, 255, 0);
    put_ip(r.staticgw, 10, 0, 0, 1);
    r.reserved_77 = 0x77;
    r.headerdigest = 1;
    r.datadigest = 0;
    put_text(r.targetname, "iqn.2001-04.com.example:storage");
    put_ip(r.targetdiscoveryip, 10, 0, 0, 9);
    r.targetdiscoveryport = 3260;
    r.reserved_e0 = 0xE0;
    put_portal(&r.targetportal[0], 10, 0, 0, 1, 3260);
    put_portal(&r.targetportal[1], 10, 0, 0, 2, 860);
    r.portalgroup = 1;
    r.targetlun = 3;
    r.chaptype = kChapMutual;
    put_text(r.initiatoruser, "hostuser");
    put_text(r.initiatorpass, "hostsecret12");
    put_text(r.targetuser, "targetuser");
    put_text(r.targetpass, "targetsecret");
    r.reserved_1b4 = 0xB4;
    r.preferredport = 1;
    r.reserved_1b6[0] = 0xB6;
    r.reserved_1b6[1] = 0xB7;
    r.vlanid = 12;
    r.bootenabled = 1;
    r.oskorvaneini = 0;
    return r;
}

std::string configured_record_display() {
    const std::string rule = kRule;
    return std::string("\n\tAdapter settings\n") +
           "\niSCSI Boot enabled: \t\tyes\n"
           "\nKorvane OS initiator: \t\tyes\n"
           "\n\tInitiator iSCSI settings\n" +
           rule +
           "Initiator name: \t\tiqn.2001-04.com.example:host1\n"
           "Header Digest: \t\t\tenabled\n"
           "Data Digest: \t\t\tdisabled\n"
           "\n\tInitiator CHAP authentication\n" +
           rule +
           "CHAP authentication type: \tmutual\n"
           "Initiator CHAP authentication: \tenabled\n"
           "Initiator CHAP user: \t\thostuser\n"
           "Initiator CHAP secret: \t\thostsecret12\n"
           "\n\tInitiator Network settings\n" +
           rule +
           "IP address type: \t\tstatic\n"
           "IP address: \t\t\t10.0.0.5\n"
           "Subnet Mask: \t\t\t255.255.255.0\n"
           "Gateway: \t\t\t10.0.0.1\n"
           "Preferred port: \t\t1\n"
           "VLAN ID: \t\t\t12\n"
           "\n\tBoot Target settings\n" +
           rule +
           "Target name: \t\t\tiqn.2001-04.com.example:storage\n"
           "Target via DHCP: \t\tdisabled\n"
           "Preferred Portal Group: \t1\n"
           "Target Portals: \t\t1:10.0.0.1@3260,2:10.0.0.2@860"
           "\nTarget Boot LUN: \t\t3\n"
           "Discovery IP address: \t\t10.0.0.9\n"
           "Discovery TCP port: \t\t3260\n"
           "Target CHAP authentication: \tenabled\n"
           "Target CHAP username: \t\ttargetuser\n"
           "Target CHAP secret: \t\ttargetsecret\n";
}

std::string erased_record_display() {
    const std::string rule = kRule;
    return std::string("\n\tAdapter settings\n") +
           "\niSCSI Boot enabled: \t\tyes\n"
           "\nKorvane OS initiator: \t\tno\n"
           "\n\tInitiator iSCSI settings\n" +
           rule +
           "Initiator name:\n"
           "Header Digest: \t\t\tenabled\n"
           "Data Digest: \t\t\tenabled\n"
           "\n\tInitiator CHAP authentication\n" +
           rule +
           "CHAP authentication type: \tnot set\n"
           "Initiator CHAP user:\t\tnot set\n"
           "Initiator CHAP secret:\t\tnot set\n"
           "\n\tInitiator Network settings\n" +
           rule +
           "IP address type: \t\tDHCP\n"
           "Preferred port: \t\tany\n"
           "VLAN ID: \t\t\t65535\n"
           "\n\tBoot Target settings\n" +
           rule +
           "Target name:\n"
           "Target via DHCP: \t\tdisabled\n"
           "Preferred Portal Group: \t255\n"
           "Target Portals: \t\t"
           "\nTarget Boot LUN: \t\t255\n"
           "Discovery IP address: \t\t255.255.255.255\n"
           "Discovery TCP port: \t\t65535\n"
           "Target CHAP authentication: \tdisabled\n"
           "Target CHAP username:\t\tnot set\n"
           "Target CHAP secret:\t\tnot set\n";
}

void adapter_contents::set_capability(std::uint8_t offset, std::uint8_t id, std::uint8_t next) {
    config[offset] = id;
    config[offset + 1u] = next;
}

void adapter_contents::set_capabilities_ending_in_vpd(std::uint8_t vpd_offset) {
    config[0x34] = 0x40;
    set_capability(0x40, 0x01, vpd_offset);
    set_capability(vpd_offset, 0x03, 0x00);
}

void adapter_contents::set_only_vpd_capability(std::uint8_t offset) {
    config[0x34] = offset;
    set_capability(offset, 0x03, 0x00);
}

void adapter_contents::set_config_ids(std::uint16_t vendor, std::uint16_t device) {
    const std::uint8_t ids[4] = {static_cast<std::uint8_t>(vendor), static_cast<std::uint8_t>(vendor >> 8),
                                 static_cast<std::uint8_t>(device), static_cast<std::uint8_t>(device >> 8)};
    std::memcpy(config.data(), ids, sizeof ids);
}

void adapter_contents::set_vpd_bytes(std::uint32_t address, const std::string& text) {
    std::memcpy(vpd.data() + address, text.data(), text.size());
}

void adapter_contents::set_vpd(const std::string& description, const std::string& na_digits, std::uint16_t vendor,
                               std::uint16_t device) {
    adapter_profile profile = realistic_adapter_profile(0);
    profile.description = description;
    profile.description.resize(16, ' ');
    profile.network_address = na_digits;
    profile.vendor_id = vendor;
    profile.device_id = device;
    vpd = build_realistic_vpd(profile);
}

void adapter_contents::set_settings(const std::uint8_t magic[4]) {
    std::uint8_t* record = flash.data() + kRecordOffset;
    for (std::uint32_t i = 0; i < sizeof(boot_settings_record); ++i) {
        record[i] = static_cast<std::uint8_t>(i & 0x7F);
    }
    std::memcpy(record, magic, 4);
    record[4] = 1;
    record[5] = 0xBC;
    record[6] = 0x01;
}

void adapter_contents::write_to(const emulator_sandbox& box, const std::string& name) const {
    std::filesystem::create_directories(box.folder(name));
    box.write_file(name + "/flash.bin", flash);
    box.write_file(name + "/config.bin", config);
    box.write_file(name + "/vpd.bin", vpd);
    if (!faults.empty()) {
        box.write_text(name + "/faults", faults);
    }
}

adapter_contents healthy_adapter(std::uint16_t vendor, std::uint16_t device) {
    adapter_contents a;
    a.set_capabilities_ending_in_vpd();
    a.set_vpd("Dual Port HBA", "0a1b2c3d4e5f", vendor, device);
    a.set_option_rom(0x1A, 2, 7, 15);
    a.set_settings(kValidMagic);
    return a;
}
