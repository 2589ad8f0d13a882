#include "platform/json_writer.h"

#include <cstdio>

namespace {

// Before a value or a member's name: the separator from the item before it.
void start_item(json_writer* w) {
    if (w->after_name) {
        w->after_name = false;
        return;
    }
    if (!w->has_items.empty()) {
        if (w->has_items.back()) {
            w->text += ", ";
        }
        w->has_items.back() = true;
    }
}

void open_container(json_writer* w, char bracket) {
    start_item(w);
    w->text += bracket;
    w->has_items.push_back(false);
}

void close_container(json_writer* w, char bracket) {
    if (!w->has_items.empty()) {
        w->has_items.pop_back();
    }
    w->text += bracket;
}

// Quotes and backslashes are escaped, and every byte outside printable
// ASCII (control characters, DEL, and 0x80 and above) is written as
// \u00XX: the reader sees the byte's value as a code point.
void append_quoted(std::string* out, std::string_view bytes) {
    *out += '"';
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            *out += '\\';
            *out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            *out += escape;
        } else {
            *out += c;
        }
    }
    *out += '"';
}

}  // namespace

void json_begin_object(json_writer* w) {
    open_container(w, '{');
}

void json_end_object(json_writer* w) {
    close_container(w, '}');
}

void json_begin_array(json_writer* w) {
    open_container(w, '[');
}

void json_end_array(json_writer* w) {
    close_container(w, ']');
}

void json_name(json_writer* w, std::string_view name) {
    start_item(w);
    append_quoted(&w->text, name);
    w->text += ": ";
    w->after_name = true;
}

void json_text(json_writer* w, std::string_view bytes) {
    start_item(w);
    append_quoted(&w->text, bytes);
}

void json_number(json_writer* w, std::int64_t number) {
    start_item(w);
    w->text += std::to_string(number);
}

void json_bool(json_writer* w, bool value) {
    start_item(w);
    w->text += value ? "true" : "false";
}

void json_null(json_writer* w) {
    start_item(w);
    w->text += "null";
}

void json_hex_id(json_writer* w, std::uint16_t id) {
    char text[5];
    std::snprintf(text, sizeof text, "%04x", id);
    json_text(w, text);
}

std::string json_finish(const json_writer& w) {
    return w.text + "\n";
}
