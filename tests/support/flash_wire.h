// The adapter's serial flash controller as the tests see it on the wire: its
// two registers, the operation words the driver writes, the SPI NOR opcodes,
// and one decoder that rebuilds transfers and flash commands from register
// traffic (live, from a recording, or from an emulator trace).
//
//   0x6D8 data:    up to four bytes to send, first byte on the wire in bits
//                  0-7; after a read transfer, the bytes it clocked in.
//   0x6DC control: an operation word starts a transfer (bit 0 write, bits
//                  1-2 byte count - 1, bit 3 keep the flash selected); bit 31
//                  reads busy while a transfer runs.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace flash_wire {

inline constexpr std::uint32_t kDataRegister = 0x6D8;
inline constexpr std::uint32_t kControlRegister = 0x6DC;
inline constexpr std::uint32_t kControlBusy = 0x80000000u;

constexpr std::uint32_t operation_word(bool write, std::uint32_t count, bool keep_selected) {
    return (((count - 1) | (keep_selected ? 4u : 0u)) << 1) | (write ? 1u : 0u);
}
constexpr bool is_write(std::uint32_t operation) {
    return (operation & 1u) != 0;
}
constexpr std::uint32_t byte_count(std::uint32_t operation) {
    return ((operation >> 1) & 3u) + 1;
}
constexpr bool keeps_selected(std::uint32_t operation) {
    return (operation & 8u) != 0;
}

// The operation words the flash layer uses.
inline constexpr std::uint32_t kWriteOneEnd = operation_word(true, 1, false);   // 0x01
inline constexpr std::uint32_t kWriteOneKeep = operation_word(true, 1, true);   // 0x09
inline constexpr std::uint32_t kWriteFourEnd = operation_word(true, 4, false);  // 0x07
inline constexpr std::uint32_t kWriteFourKeep = operation_word(true, 4, true);  // 0x0F
inline constexpr std::uint32_t kReadOneEnd = operation_word(false, 1, false);   // 0x00
inline constexpr std::uint32_t kReadOneKeep = operation_word(false, 1, true);   // 0x08
inline constexpr std::uint32_t kReadFourEnd = operation_word(false, 4, false);  // 0x06
inline constexpr std::uint32_t kReadFourKeep = operation_word(false, 4, true);  // 0x0E

// The data register's value that starts a command with a 3-byte address:
// the opcode first on the wire, then the address most significant first.
constexpr std::uint32_t command_word(std::uint8_t opcode, std::uint32_t address) {
    return opcode | ((address >> 16) & 0xFFu) << 8 | ((address >> 8) & 0xFFu) << 16 | (address & 0xFFu) << 24;
}

// SPI NOR opcodes.
inline constexpr std::uint8_t kPageProgram = 0x02;
inline constexpr std::uint8_t kWriteDisable = 0x04;
inline constexpr std::uint8_t kReadStatus = 0x05;
inline constexpr std::uint8_t kWriteEnable = 0x06;
inline constexpr std::uint8_t kFastRead = 0x0B;
inline constexpr std::uint8_t kSectorErase = 0xD8;

}  // namespace flash_wire

// One transfer: the operation word written to the control register, and for
// a write the data register's value when it started, for a read what the
// data register returned afterwards (0 if it was not fetched).
struct flash_transfer {
    std::uint32_t operation;
    std::uint32_t data;

    bool operator==(const flash_transfer&) const = default;
};

void PrintTo(const flash_transfer& transfer, std::ostream* os);

// One flash command: the transfers from the one that selected the flash to
// the one that deselected it (or the last seen, while it is still open).
struct flash_command {
    std::vector<std::uint8_t> sent;      // every byte written, the opcode first
    std::vector<std::uint8_t> received;  // every byte of the read transfers whose data was fetched
    int transfers = 0;
    bool ended = false;  // the flash was deselected after it

    std::uint8_t opcode() const { return sent.empty() ? 0 : sent[0]; }
    // The three address bytes after the opcode, most significant first.
    std::uint32_t address() const;
};

// Feed it one adapter's register requests in the order issued (failed ones
// left out); it keeps the transfers and commands they make up.
class flash_wire_decoder {
public:
    void register_written(std::uint32_t offset, std::uint32_t value);
    void register_read(std::uint32_t offset, std::uint32_t value);

    const std::vector<flash_transfer>& transfers() const { return transfers_; }
    const std::vector<flash_command>& commands() const { return commands_; }
    // The value last written to the data register.
    std::uint32_t data_register() const { return data_register_; }

private:
    void add_received(std::uint32_t value);

    std::vector<flash_transfer> transfers_;
    std::vector<flash_command> commands_;
    std::uint32_t data_register_ = 0;
    bool awaiting_read_data_ = false;
};

// The register requests of an emulator trace (HBAEMU_TRACE), decoded; lines
// of failed requests and of configuration space are passed over.
flash_wire_decoder decode_trace(const std::string& trace);

// The requests in a trace before the one that writes this command word to
// the data register (every request when none does).
std::size_t requests_before_command(const std::string& trace, std::uint32_t word);

// Sectors named by the sector erase commands in a trace (one 4-byte
// transfer that ends the command), in order.
std::vector<int> erased_sectors_in_trace(const std::string& trace);

// Each page program in a trace as (flash address, bytes sent after the
// address before the command ended).
struct programmed_piece {
    std::uint32_t address;
    std::uint32_t bytes;
    bool operator==(const programmed_piece&) const = default;
};
std::vector<programmed_piece> programmed_pieces_in_trace(const std::string& trace);
