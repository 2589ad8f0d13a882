#include "app/adapter_selection.h"

#include "device/adapter_table.h"

#include <cctype>
#include <cstdio>

namespace {

void print_index_refusal(std::uint8_t count) {
    std::fprintf(stderr, "ERROR: Invalid Adapter number! Only allowed value");
    if (count > 1) {
        std::fprintf(stderr, "s are 0 to %1d, since only %1d Adapters are installed.\n", count - 1, count);
    } else {
        std::fprintf(stderr, " is 0, since only one Adapter is installed.\n");
    }
}

}  // namespace

int select_adapter(const char* index_argument, std::uint8_t* adapter) {
    const char index_character = index_argument[0];
    const bool is_digit = std::isdigit(static_cast<unsigned char>(index_character)) != 0;
    *adapter = static_cast<std::uint8_t>(is_digit ? index_character - '0' : 0);

    // A command for an adapter that is not there was not carried out, and a
    // script that erases, updates or restores must not take it for success.
    // (An interface list that could not be had has printed its own line.)
    const std::uint8_t count = enumerate_adapters();
    if (count == 0) {
        std::fprintf(stderr, "ERROR: no Adapter found!\n");
        return -1;
    }
    // Anything but a digit is refused: taken as 0, a typo would select
    // adapter 0, and an erase would erase it.
    if (!is_digit || *adapter >= count) {
        print_index_refusal(count);
        return -1;
    }
    return 0;
}
