// Applying settings in-process to a record with known contents, and checking
// that exactly the expected bytes changed.
#pragma once

#include "settings/boot_settings_record.h"
#include "settings/setting_assignment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

struct assignment_outcome {
    int result;
    std::string err;
};

// The record every assignment test starts from: every byte distinct from
// its neighbours so that a stray write shows, and a static adapter at
// 192.168.1.10/24 without a gateway.
boot_settings_record patterned_record();

// Where two records first differ, for a readable failure.
testing::AssertionResult same_bytes(const boot_settings_record& actual, const boot_settings_record& expected);

class AssignmentTest : public testing::Test {
protected:
    boot_settings_record record = patterned_record();

    assignment_outcome apply(const std::string& name, const std::string& value);

    // The setting is refused with exactly message, and the record is as it was.
    void expect_refused(const std::string& name, const std::string& value, const std::string& message);

    // The setting is accepted silently, and the record differs from before
    // exactly by what change does to it.
    template <typename Change>
    void expect_applied(const std::string& name, const std::string& value, Change change,
                        const std::string& warning = "") {
        boot_settings_record expected = record;
        change(expected);
        const assignment_outcome got = apply(name, value);
        EXPECT_EQ(got.result, 0) << name << "=" << value;
        EXPECT_EQ(got.err, warning) << name << "=" << value;
        EXPECT_TRUE(same_bytes(record, expected)) << name << "=" << value;
    }
};
