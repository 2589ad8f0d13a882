#include "settings/flash_fault_transport.h"

#include "device/transport.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kDataRegister = 0x6D8;
constexpr std::uint32_t kControlRegister = 0x6DC;
// Operation words: write 1 byte and end; write 4 bytes and continue; read 1
// byte and end (the status byte of a status poll).
constexpr std::uint32_t kWriteOneByteEnd = 0x01;
constexpr std::uint32_t kWriteFourBytesContinue = 0x0F;
constexpr std::uint32_t kWriteFourBytesEnd = 0x07;
constexpr std::uint32_t kReadOneByteEnd = 0x00;
constexpr std::uint32_t kWriteEnable = 0x06;
constexpr std::uint32_t kWriteDisable = 0x04;
constexpr std::uint32_t kPageProgram = 0x02;
constexpr std::uint32_t kSectorErase = 0xD8;
constexpr int kStatusReadsPerPoll = 5;

const transport_ops* g_real = nullptr;
transport_ops g_ops;
flash_fault_plan g_plan;
flash_fault_counts g_counts;

std::uint32_t g_data_register = 0;
bool g_command_follows_write_enable = false;
bool g_status_byte_pending = false;
int g_busy_status_reads_left = 0;

void write_register(device_handle handle, std::uint32_t offset, std::uint32_t value) {
    std::uint32_t record[2] = {offset, value};
    g_real->device_control(handle, kIoctlRegisterWrite, record, sizeof record, 0);
}

// Classifies the transfer a control register write starts, after the data
// register has been loaded for it.
void on_control_write(device_handle handle, std::uint32_t operation) {
    const bool is_write_enable = operation == kWriteOneByteEnd && g_data_register == kWriteEnable;
    if (is_write_enable) {
        ++g_counts.write_enables;
        if (g_counts.write_enables == g_plan.dropped_write_enable) {
            write_register(handle, kDataRegister, kWriteDisable);
        }
    } else if (g_command_follows_write_enable) {
        const std::uint32_t command = g_data_register & 0xFF;
        if (operation == kWriteFourBytesContinue && command == kPageProgram) {
            ++g_counts.page_programs;
            if (g_counts.page_programs == g_plan.busy_status_after_page) {
                g_busy_status_reads_left = kStatusReadsPerPoll;
            }
        } else if (operation == kWriteFourBytesEnd && command == kSectorErase) {
            ++g_counts.sector_erases;
        }
    }
    g_command_follows_write_enable = is_write_enable;
    g_status_byte_pending = operation == kReadOneByteEnd;
}

bool faulty_device_control(device_handle handle, std::uint32_t code, void* buffer, std::uint32_t in_size,
                           std::uint32_t out_size) {
    ++g_counts.requests;
    std::uint32_t record[2] = {0, 0};
    std::memcpy(record, buffer, in_size < sizeof record ? in_size : sizeof record);
    if (code == kIoctlRegisterWrite && record[0] == kDataRegister) {
        g_data_register = record[1];
    }
    if (code == kIoctlRegisterWrite && record[0] == kControlRegister) {
        on_control_write(handle, record[1]);
    }
    const bool ok = g_real->device_control(handle, code, buffer, in_size, out_size);
    if (ok && code == kIoctlRegisterRead && record[0] == kDataRegister && g_status_byte_pending &&
        g_busy_status_reads_left > 0) {
        --g_busy_status_reads_left;
        std::memcpy(record, buffer, sizeof record);
        record[1] |= 1;  // write-in-progress
        std::memcpy(buffer, record, sizeof record);
    }
    return ok;
}

void skipped_sleep(std::uint32_t) {
    ++g_counts.sleeps;
}

}  // namespace

void install_flash_fault_transport(const flash_fault_plan& plan) {
    g_real = platform_transport();
    g_ops = *g_real;
    g_ops.device_control = faulty_device_control;
    g_ops.sleep_ms = skipped_sleep;
    g_plan = plan;
    g_counts = {};
    g_data_register = 0;
    g_command_follows_write_enable = false;
    g_status_byte_pending = false;
    g_busy_status_reads_left = 0;
    set_transport_for_testing(&g_ops);
}

void remove_flash_fault_transport() {
    set_transport_for_testing(nullptr);
}

const flash_fault_counts& flash_fault_transport_counts() {
    return g_counts;
}
