// A small streaming JSON writer producing UTF-8: strings are escaped for
// quotes, backslashes and control characters, non-BMP characters are
// written as their 4-byte UTF-8 form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// The JSON string literal (quotes included) of a UTF-16 text.
std::string JsonString(const std::wstring& text);

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The next value inside an object gets this key.
    void Key(const char* key);
    void String(const std::wstring& value);
    void Number(std::uint64_t value);
    void Bool(bool value);
    const std::string& Text() const { return out_; }

private:
    void BeforeValue();
    std::string out_;
    std::vector<bool> first_;  // per open container: no member written yet
    bool afterKey_ = false;
};

}  // namespace host
