// The adapter's Vital Product Data through the PCI VPD capability.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t kPciCapabilityVpd = 3;

// How long one VPD read may take before it counts as failed. See
// vpd_access.cpp for why it is a time and why this much.
inline constexpr std::uint32_t kVpdReadTimeoutMs = 50;

// The outcome of vpd_read_word.
inline constexpr int kVpdWordRead = 0;    // *word holds the VPD dword
inline constexpr int kVpdDataFailed = 1;  // the data register read failed
inline constexpr int kVpdTimedOut = 2;    // the completion flag never came

// The configuration offset of the first capability with this ID, or 0 after
// "ERROR: Capability %02x not found.".
std::uint8_t find_pci_capability(std::uint8_t adapter, std::uint8_t capability_id);

// The same walk without the message, for callers to whom a missing
// capability is no error.
std::uint8_t locate_pci_capability(std::uint8_t adapter, std::uint8_t capability_id);

// Writes the test pattern to the VPD data register and reads it back: 0, or 1
// after its message.
int vpd_write_read_check(std::uint8_t adapter, std::uint8_t vpd_capability);

// Reads the VPD dword at (address & 0x1FFC) into *word; a failed or
// never-completing read leaves *word as it was. Returns one of the outcomes
// above; callers that only want the word may ignore it.
int vpd_read_word(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint32_t address, std::uint32_t* word);
