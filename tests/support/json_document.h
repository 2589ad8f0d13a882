// Reading a run's JSON document back with a real JSON parser.
#pragma once

#include "support/run_binary.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

// The document of a --json run: one line on standard output and nothing
// else, in the format version every document begins with.
inline nlohmann::json parse_document(const run_result& r) {
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
    nlohmann::json document = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << r.out;
    EXPECT_EQ(document["json_format_version"], nlohmann::json::parse("[1, 0]"));
    EXPECT_EQ(document["utility"], nlohmann::json::parse(R"({"name": "hbabootcfg", "version": "1.1"})"));
    return document;
}

// The text of the last "ERROR: " line a run printed on standard error: what
// its document's "error" holds.
inline std::string last_error_text(const std::string& err) {
    const std::size_t at = err.rfind("ERROR: ");
    return at == std::string::npos ? "" : err.substr(at + 7, err.find('\n', at) - at - 7);
}
