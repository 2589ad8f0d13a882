// A transport for in-process tests against the adapter emulator. Every
// request passes to the emulator's own transport (platform_transport()), and
// a test may look at each register and configuration request on its way: to
// record it, to change the value written or the value read, to fail it, or
// to answer it in the adapter's place (a controller that keeps
// reporting busy). This stages faults the emulator cannot, on exactly the
// transfer a test picks. Sleeps are recorded and skipped, so polls cost no
// time, unless the test asks for them to be spent.
//
// One at a time: constructing it puts it in place of the platform transport,
// destroying it puts the platform's back. Handles pass through unchanged, so
// adapters may be enumerated before or after it is put in place.
#pragma once

#include "device/transport.h"
#include "emulator/model/emulator_trace.h"

#include <cstdint>
#include <functional>
#include <vector>

// The four driver requests, as the emulator names them.
using interposed_kind = traced_request;

struct interposed_request {
    device_handle handle;
    interposed_kind kind;
    std::uint32_t offset;  // register or configuration offset
    std::uint32_t value;   // before: the value to write; after a read: the value read
};

// What becomes of a request once the before hook has seen it.
enum class interposer_action {
    forward,  // on to the emulator, a write with request.value
    answer,   // not forwarded; it succeeds, a read yielding request.value
    fail,     // not forwarded; it fails with fail_error
};

class emulator_interposer {
public:
    explicit emulator_interposer(bool spend_sleeps = false);
    ~emulator_interposer();
    emulator_interposer(const emulator_interposer&) = delete;
    emulator_interposer& operator=(const emulator_interposer&) = delete;

    // Sees every register and configuration request before it goes on.
    std::function<interposer_action(interposed_request& request)> before;
    // Sees every request the emulator was given, with the error it failed
    // with (0: done); for a read that was done it may change what the caller gets.
    std::function<void(interposed_request& request, std::uint32_t error)> after;
    std::uint32_t fail_error = kErrorGenFailure;
    // Sees every sleep, in its place among the requests.
    std::function<void(std::uint32_t milliseconds)> on_sleep;

    // A register write straight to the emulator, past the hooks and counts.
    void write_register(device_handle handle, std::uint32_t offset, std::uint32_t value) const;

    int requests = 0;                   // every device request, whatever became of it
    std::vector<std::uint32_t> sleeps;  // the milliseconds of every sleep, in order

    // For the transport functions.
    const transport_ops* emulator() const { return emulator_; }
    bool spend_sleeps() const { return spend_sleeps_; }

private:
    const transport_ops* emulator_;
    transport_ops ops_;
    bool spend_sleeps_;
};
