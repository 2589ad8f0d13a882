// The JSON writer: each row builds a document and names the exact text it
// must make; every document must also read back with a real JSON parser.
#include "platform/json_writer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace {

struct writer_row {
    const char* name;
    std::function<void(json_writer*)> build;
    std::string expected;
};

TEST(JsonWriter, DocumentsAreExactAndReadBack) {
    using namespace std::string_literals;
    const writer_row rows[] = {
        {"empty object", [](json_writer* w) { json_begin_object(w), json_end_object(w); }, "{}\n"},
        {"scalars",
         [](json_writer* w) {
             json_begin_object(w);
             json_name(w, "n"), json_number(w, -4294967296);
             json_name(w, "t"), json_bool(w, true);
             json_name(w, "f"), json_bool(w, false);
             json_name(w, "z"), json_null(w);
             json_end_object(w);
         },
         "{\"n\": -4294967296, \"t\": true, \"f\": false, \"z\": null}\n"},
        {"nested",
         [](json_writer* w) {
             json_begin_object(w);
             json_name(w, "v"), json_begin_array(w), json_number(w, 1), json_number(w, 0), json_end_array(w);
             json_name(w, "a"), json_begin_array(w);
             json_begin_object(w), json_name(w, "x"), json_begin_array(w), json_end_array(w), json_end_object(w);
             json_begin_object(w), json_end_object(w);
             json_end_array(w);
             json_end_object(w);
         },
         "{\"v\": [1, 0], \"a\": [{\"x\": []}, {}]}\n"},
        {"quote, backslash, slash", [](json_writer* w) { json_text(w, "a\"b\\c/d"); }, "\"a\\\"b\\\\c/d\"\n"},
        {"control characters and DEL", [](json_writer* w) { json_text(w, "\0\t\n\x1f\x7f"s); },
         "\"\\u0000\\u0009\\u000a\\u001f\\u007f\"\n"},
        {"bytes of 0x80 and above", [](json_writer* w) { json_text(w, "\x80\xc3\xa9\xff"); },
         "\"\\u0080\\u00c3\\u00a9\\u00ff\"\n"},
        {"escaped name",
         [](json_writer* w) { json_begin_object(w), json_name(w, "\x01\""), json_null(w), json_end_object(w); },
         "{\"\\u0001\\\"\": null}\n"},
    };
    for (const writer_row& row : rows) {
        SCOPED_TRACE(row.name);
        json_writer w;
        row.build(&w);
        const std::string document = json_finish(w);
        EXPECT_EQ(document, row.expected);
        EXPECT_TRUE(nlohmann::json::accept(document)) << document;
    }
}

// Any byte a VPD text may hold reads back as the code point of its value.
TEST(JsonWriter, EveryByteReadsBackAsItsCodePoint) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    json_writer w;
    json_text(&w, bytes);
    const nlohmann::json parsed = nlohmann::json::parse(json_finish(w), nullptr, false);
    ASSERT_TRUE(parsed.is_string());
    std::string latin1;  // the UTF-8 text back to one byte per code point below 256
    const std::string utf8 = parsed.get<std::string>();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        latin1 += c < 0x80 ? static_cast<char>(c) : static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
    }
    EXPECT_EQ(latin1, bytes);
}

}  // namespace
