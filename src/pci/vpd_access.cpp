// The VPD capability's two registers: the address register with its
// completion flag at the capability offset c, the data register at c + 4.
#include "pci/vpd_access.h"

#include "device/driver_requests.h"

#include <chrono>
#include <cstdio>

namespace {

// Only dword-aligned addresses of the 8 KB VPD space: bits 2 to 12.
constexpr std::uint32_t kVpdAddressMask = 0x1FFC;
constexpr int kVpdAddressShift = 16;
constexpr std::uint32_t kVpdCompletionFlag = 0x80000000u;
constexpr std::uint32_t kVpdDataRegister = 4;

// Written to the data register and read back; the address register is left
// alone so that no VPD transfer starts.
constexpr std::uint32_t kVpdCheckPattern = 0x00800000;

// The flag is polled back to back, as the hardware is fast: a VPD read
// fetches four bytes from the adapter's serial EEPROM or firmware, which on
// working hardware takes microseconds up to about a millisecond. The bound is
// a time rather than a number of reads because a configuration read costs
// very different amounts on different machines and drivers, while the
// device's own delay does not depend on them. 50 ms leaves a wide margin over
// any working device; a stuck one costs this once per adapter, since the
// range reader gives up on an adapter after its first timed-out word.
//
// A time alone would misfire when this process, not the device, is slow: a
// pause of the process (a loaded machine, a debugger, a sanitizer build)
// could pass the deadline within a handful of reads. So a read is given up
// only when the deadline has passed and the flag has also been read a number
// of times that no working device needs.
using poll_clock = std::chrono::steady_clock;
constexpr auto kVpdReadTimeout = std::chrono::milliseconds(kVpdReadTimeoutMs);
constexpr std::uint32_t kVpdMinimumPolls = 1000;

// Polls until a read succeeds with the flag set.
bool wait_for_vpd_completion(std::uint8_t adapter, std::uint8_t vpd_capability) {
    const auto deadline = poll_clock::now() + kVpdReadTimeout;
    for (std::uint32_t polls = 1;; ++polls) {
        std::uint32_t status = 0;
        if (pci_config_read(adapter, vpd_capability, &status) && (status & kVpdCompletionFlag) != 0) {
            return true;
        }
        if (polls >= kVpdMinimumPolls && poll_clock::now() >= deadline) {
            return false;
        }
    }
}

}  // namespace

int vpd_write_read_check(std::uint8_t adapter, std::uint8_t vpd_capability) {
    const std::uint32_t data_register = vpd_capability + kVpdDataRegister;
    pci_config_write(adapter, data_register, kVpdCheckPattern);
    std::uint32_t value = 0;
    if (pci_config_read(adapter, data_register, &value) && value == kVpdCheckPattern) {
        return 0;
    }
    std::fprintf(stderr, "ERROR: PCI configuration write/read check failed.\n");
    return 1;
}

int vpd_read_word(std::uint8_t adapter, std::uint8_t vpd_capability, std::uint32_t address, std::uint32_t* word) {
    // The address lands in bits 16-30 and the flag (bit 31) is written 0,
    // which starts the read. The low 16 bits are the read-only ID and next
    // pointer bytes, written 0.
    pci_config_write(adapter, vpd_capability, (address & kVpdAddressMask) << kVpdAddressShift);
    if (!wait_for_vpd_completion(adapter, vpd_capability)) {
        return kVpdTimedOut;
    }
    std::uint32_t data = 0;
    if (!pci_config_read(adapter, vpd_capability + kVpdDataRegister, &data)) {
        return kVpdDataFailed;
    }
    *word = data;
    return kVpdWordRead;
}
