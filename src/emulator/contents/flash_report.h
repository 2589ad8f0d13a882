// What an adapter's flash holds, described for a person: the Option ROM's
// signature, size, checksum, PCI data structure and $DM$ header, and the boot
// settings record as a hex dump annotated with its field names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// flash is the whole flash (512 KiB). The text ends with a newline.
std::string describe_option_rom(const std::vector<std::uint8_t>& flash);
std::string describe_settings_record(const std::vector<std::uint8_t>& flash);

// The "$DM$" header in the first 512 bytes, as "A.B.C"; empty when there is
// no signature or no header.
std::string option_rom_version_text(const std::vector<std::uint8_t>& flash);
