#include "device/transport.h"

namespace {
const transport_ops* g_override = nullptr;
}

const transport_ops* active_transport() {
    return g_override != nullptr ? g_override : platform_transport();
}

void set_transport_for_testing(const transport_ops* transport) {
    g_override = transport;
}
