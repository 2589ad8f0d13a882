#include "support/recorded_request.h"

#include <cstdio>
#include <ostream>

namespace {

const char* kind_name(recorded_kind kind) {
    switch (kind) {
        case recorded_kind::register_read: return "regread";
        case recorded_kind::register_write: return "regwrite";
        case recorded_kind::config_read: return "cfgread";
        case recorded_kind::config_write: return "cfgwrite";
        case recorded_kind::sleep: return "sleep";
    }
    return "?";
}

}  // namespace

recorded_request reg_read_of(std::uint32_t offset, std::uint32_t returned, int adapter) {
    return {recorded_kind::register_read, adapter, offset, returned, 0};
}

recorded_request reg_write_of(std::uint32_t offset, std::uint32_t value, int adapter) {
    return {recorded_kind::register_write, adapter, offset, value, 0};
}

recorded_request sleep_of(std::uint32_t milliseconds) {
    return {recorded_kind::sleep, -1, milliseconds, 0, 0};
}

recorded_request config_read_of(std::uint32_t offset, std::uint32_t returned, int adapter) {
    return {recorded_kind::config_read, adapter, offset, returned, 0};
}

recorded_request config_write_of(std::uint32_t offset, std::uint32_t value, int adapter) {
    return {recorded_kind::config_write, adapter, offset, value, 0};
}

void PrintTo(const recorded_request& r, std::ostream* os) {
    char text[96];
    if (r.kind == recorded_kind::sleep) {
        std::snprintf(text, sizeof text, "sleep %u ms", r.offset);
    } else {
        std::snprintf(text, sizeof text, "adapter %d %s 0x%08x 0x%08x error %u", r.adapter, kind_name(r.kind), r.offset,
                      r.value, r.error);
    }
    *os << text;
}

flash_wire_decoder decode_requests(const std::vector<recorded_request>& requests, int adapter) {
    flash_wire_decoder decoder;
    for (const recorded_request& r : requests) {
        if (r.adapter != adapter || r.error != 0) {
            continue;
        }
        if (r.kind == recorded_kind::register_write) {
            decoder.register_written(r.offset, r.value);
        } else if (r.kind == recorded_kind::register_read) {
            decoder.register_read(r.offset, r.value);
        }
    }
    return decoder;
}

std::vector<std::uint32_t> sleeps_in(const std::vector<recorded_request>& requests) {
    std::vector<std::uint32_t> result;
    for (const recorded_request& r : requests) {
        if (r.kind == recorded_kind::sleep) {
            result.push_back(r.offset);
        }
    }
    return result;
}

std::size_t count_of(const std::vector<recorded_request>& requests, recorded_kind kind) {
    std::size_t n = 0;
    for (const recorded_request& r : requests) {
        n += r.kind == kind ? 1 : 0;
    }
    return n;
}
