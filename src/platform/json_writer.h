// One JSON document, written front to back: objects, arrays, texts, whole
// numbers, booleans and null. The document is one line ended by a newline,
// so a reader that takes standard output line by line gets it whole.
//
// Texts are byte strings: every byte of 0x80 and above is written as
// \u00XX, so VPD texts, which may hold any byte, always make valid UTF-8
// JSON and read back as the code points of their bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct json_writer {
    std::string text;
    // Per open object or array, innermost last: whether it holds an item,
    // so that the next one is preceded by a separator.
    std::vector<bool> has_items;
    // A member's name was written; its value follows without a separator.
    bool after_name = false;
};

void json_begin_object(json_writer* w);
void json_end_object(json_writer* w);
void json_begin_array(json_writer* w);
void json_end_array(json_writer* w);

// A member's name inside an object; the member's value is written next.
void json_name(json_writer* w, std::string_view name);

void json_text(json_writer* w, std::string_view bytes);
void json_number(json_writer* w, std::int64_t number);
void json_bool(json_writer* w, bool value);
void json_null(json_writer* w);

// A PCI vendor or device ID as people write it: four lower-case hexadecimal
// digits, as a text ("1abc").
void json_hex_id(json_writer* w, std::uint16_t id);

// The document: the text written, and its newline.
std::string json_finish(const json_writer& w);
