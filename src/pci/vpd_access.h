// The adapter's Vital Product Data through the PCI VPD capability.
#pragma once

#include <cstdint>

// The VPD capability's ID in the PCI capability list (pci_capability.h).
inline constexpr std::uint8_t kPciCapabilityVpd = 3;

// How long one VPD read may take before it counts as failed. See
// vpd_access.cpp for why it is a time and why this much.
inline constexpr std::uint32_t kVpdReadTimeoutMs = 50;

// The outcome of vpd_read_word.
inline constexpr int kVpdWordRead = 0;    // *word holds the VPD dword
inline constexpr int kVpdDataFailed = 1;  // the data register read failed
inline constexpr int kVpdTimedOut = 2;    // the completion flag never came

// Writes the test pattern to the VPD data register and reads it back: 0, or 1
// after its message.
int vpd_write_read_check(std::uint8_t adapter, std::uint8_t vpd_capability);

// Reads the VPD dword at (address & 0x1FFC) into *word; a failed or
// never-completing read leaves *word as it was. Returns one of the outcomes
// above; callers that only want the word may ignore it.
int vpd_read_word(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint32_t address, std::uint32_t* word);
