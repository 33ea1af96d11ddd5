#include "text/json_writer.h"

#include <cstdio>

#include "text/format.h"

namespace host {

std::string JsonString(const std::wstring& text) {
    const std::string utf8 = Utf8(text);
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escape[8];
                    snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out.push_back('"');
    return out;
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ",";
        first_.back() = false;
    }
}

void JsonWriter::BeginObject() {
    BeforeValue();
    out_ += "{";
    first_.push_back(true);
}

void JsonWriter::EndObject() {
    first_.pop_back();
    out_ += "}";
}

void JsonWriter::BeginArray() {
    BeforeValue();
    out_ += "[";
    first_.push_back(true);
}

void JsonWriter::EndArray() {
    first_.pop_back();
    out_ += "]";
}

void JsonWriter::Key(const char* key) {
    BeforeValue();
    out_ += JsonString(Widen(key));
    out_ += ":";
    afterKey_ = true;
}

void JsonWriter::String(const std::wstring& value) {
    BeforeValue();
    out_ += JsonString(value);
}

void JsonWriter::Number(std::uint64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
}

}  // namespace host
