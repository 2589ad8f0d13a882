// The JSON writer: each row builds a document and names the exact text it
// must make; every document must also read back with a real JSON parser.
#include "platform/json_writer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace {

using namespace std::string_literals;

TEST(JsonWriter, DocumentsAreExactAndReadBack) {
    const std::pair<std::function<void(json_writer*)>, std::string> rows[] = {
        {[](json_writer* w) { json_begin_object(w), json_end_object(w); }, "{}\n"},
        {[](json_writer* w) {
             json_begin_object(w), json_name(w, "n"), json_number(w, -4294967296), json_name(w, "v");
             json_begin_array(w), json_bool(w, true), json_bool(w, false), json_null(w), json_begin_object(w);
             json_name(w, "e"), json_begin_array(w), json_end_array(w), json_end_object(w), json_end_array(w);
             json_end_object(w);
         },
         "{\"n\": -4294967296, \"v\": [true, false, null, {\"e\": []}]}\n"},
        // Quote, backslash, control characters, DEL and bytes of 0x80 and
        // above are escaped, in names as in values; a slash need not be.
        {[](json_writer* w) {
             json_begin_object(w), json_name(w, "\x01\""), json_text(w, "a\"b\\c/\0\t\n\x1f\x7f\x80\xc3\xa9\xff"s);
             json_end_object(w);
         },
         "{\"\\u0001\\\"\": \"a\\\"b\\\\c/\\u0000\\u0009\\u000a\\u001f\\u007f\\u0080\\u00c3\\u00a9\\u00ff\"}\n"},
    };
    for (const auto& [build, expected] : rows) {
        json_writer w;
        build(&w);
        EXPECT_EQ(json_finish(w), expected);
        EXPECT_TRUE(nlohmann::json::accept(json_finish(w))) << expected;
    }
}

// Any byte a VPD text may hold reads back as the code point of its value.
TEST(JsonWriter, EveryByteReadsBackAsItsCodePoint) {
    std::string bytes;
    std::string utf8;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
        utf8 += b < 0x80 ? std::string(1, static_cast<char>(b))
                         : std::string{static_cast<char>(0xC0 | (b >> 6)), static_cast<char>(0x80 | (b & 0x3F))};
    }
    json_writer w;
    json_text(&w, bytes);
    EXPECT_EQ(nlohmann::json::parse(json_finish(w), nullptr, false), nlohmann::json(utf8));
}

}  // namespace
