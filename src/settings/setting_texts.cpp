// The text settings: IQN names, CHAP user names and CHAP secrets. Each field
// is cleared whole before the value is copied in, so the text is always
// zero-terminated and no tail of a longer earlier text survives behind it.
#include "settings/setting_handlers.h"

#include <cstdio>
#include <cstring>

namespace {

// The length bounds leave room for the terminating zero in every field.
constexpr std::size_t kIqnNameMax = 95;   // in 96 bytes
constexpr std::size_t kChapUserMax = 63;  // in 64 bytes
// A CHAP secret is empty (no secret) or 12 to 16 characters, the lengths the
// iSCSI CHAP exchange of the boot firmware works with.
constexpr std::size_t kChapSecretMin = 12;
constexpr std::size_t kChapSecretMax = 16;

template <std::size_t N>
void store_text(char (&field)[N], const char* value, std::size_t length) {
    static_assert(N > 0);
    std::memset(field, 0, N);
    std::memcpy(field, value, length < N ? length : N - 1);
}

int refuse(const char* message) {
    std::fputs(message, stderr);
    return -1;
}

// Counting stops just past the bound, so a value of any length is measured
// without reading more than needed.
template <std::size_t N>
int store_bounded_text(char (&field)[N], const char* value, std::size_t maximum, const char* message) {
    const std::size_t length = strnlen(value, maximum + 1);
    if (length > maximum) {
        return refuse(message);
    }
    store_text(field, value, length);
    return 0;
}

constexpr const char* kSecretMessage = "ERROR: CHAP secret can be only 12 - 16 characters in length!\n";

template <std::size_t N>
int store_chap_secret(char (&field)[N], const char* value) {
    const std::size_t length = strnlen(value, kChapSecretMax + 1);
    if (length != 0 && (length < kChapSecretMin || length > kChapSecretMax)) {
        return refuse(kSecretMessage);
    }
    store_text(field, value, length);
    return 0;
}

}  // namespace

int apply_initiatorname(boot_settings_record& record, const char*, const char* value) {
    return store_bounded_text(record.initiatorname, value, kIqnNameMax, "ERROR: Initiator IQN name too long!\n");
}

int apply_initiatoruser(boot_settings_record& record, const char*, const char* value) {
    return store_bounded_text(record.initiatoruser, value, kChapUserMax, "ERROR: CHAP username too long!\n");
}

int apply_initiatorpass(boot_settings_record& record, const char*, const char* value) {
    return store_chap_secret(record.initiatorpass, value);
}

int apply_targetname(boot_settings_record& record, const char*, const char* value) {
    return store_bounded_text(record.targetname, value, kIqnNameMax, "ERROR: Target IQN name too long!\n");
}

int apply_targetuser(boot_settings_record& record, const char*, const char* value) {
    return store_bounded_text(record.targetuser, value, kChapUserMax, "ERROR: CHAP username too long!\n");
}

int apply_targetpass(boot_settings_record& record, const char*, const char* value) {
    return store_chap_secret(record.targetpass, value);
}
