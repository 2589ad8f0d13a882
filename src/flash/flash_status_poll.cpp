// Waiting for the flash itself: after a page program or a sector erase the
// flash stays busy on its own (milliseconds for a page, up to seconds for a
// sector) while the controller is long idle. Its status register says when.
#include "flash/flash_status_poll.h"

#include "flash/flash_controller.h"
#include "flash/flash_wire_format.h"

#include "device/driver_requests.h"

namespace {

// At most five status reads; the caller picks the spacing to suit the
// operation it waits for (1 ms for a page, 500 ms for a sector).
constexpr int kStatusPollAttempts = 5;

}  // namespace

int flash_poll_status(std::uint8_t adapter, std::uint32_t delay_ms) {
    for (int attempt = 1;; ++attempt) {
        // Read-status is a command of its own: the command byte with the
        // flash kept selected, then the status byte, which ends it.
        const int sent = flash_write_op(adapter, 1, 1, kFlashCommandReadStatus);
        if (sent != kFlashOk) {
            return sent;
        }
        std::uint32_t status = 0;
        const int received = flash_read_op(adapter, 1, 0, &status);
        if (received != kFlashOk) {
            return received;
        }
        if ((status & kFlashStatusWriteInProgress) == 0) {
            return kFlashOk;
        }
        // Still busy is not an error of this layer; the caller words it.
        if (attempt == kStatusPollAttempts) {
            return kFlashStillBusy;
        }
        if (delay_ms > 0) {
            adapter_sleep_ms(delay_ms);
        }
    }
}
