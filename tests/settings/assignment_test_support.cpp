#include "assignment_test_support.h"

boot_settings_record patterned_record() {
    boot_settings_record r;
    auto* bytes = reinterpret_cast<std::uint8_t*>(&r);
    for (std::size_t i = 0; i < sizeof r; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    r.version = 0x0200;
    r.networktype = kNetworkStatic;
    const std::uint8_t ip[4] = {192, 168, 1, 10};
    const std::uint8_t mask[4] = {255, 255, 255, 0};
    std::memcpy(r.staticip, ip, 4);
    std::memcpy(r.staticmask, mask, 4);
    std::memset(r.staticgw, 0, 4);
    return r;
}

testing::AssertionResult same_bytes(const boot_settings_record& actual, const boot_settings_record& expected) {
    const auto* a = reinterpret_cast<const std::uint8_t*>(&actual);
    const auto* e = reinterpret_cast<const std::uint8_t*>(&expected);
    for (std::size_t i = 0; i < sizeof actual; ++i) {
        if (a[i] != e[i]) {
            return testing::AssertionFailure()
                   << "record byte 0x" << std::hex << i << " is 0x" << int{a[i]} << ", expected 0x" << int{e[i]};
        }
    }
    return testing::AssertionSuccess();
}

assignment_outcome AssignmentTest::apply(const std::string& name, const std::string& value) {
    testing::internal::CaptureStderr();
    const int result = apply_setting(&record, name.c_str(), value.c_str());
    return {result, testing::internal::GetCapturedStderr()};
}

void AssignmentTest::expect_refused(const std::string& name, const std::string& value, const std::string& message) {
    const boot_settings_record before = record;
    const assignment_outcome got = apply(name, value);
    EXPECT_EQ(got.result, -1) << name << "=" << value;
    EXPECT_EQ(got.err, message) << name << "=" << value;
    EXPECT_TRUE(same_bytes(record, before)) << name << "=" << value;
}
