// A small JSON reader for the host's reports: enough to check that a report
// parses and to look its values up.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hostjson {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8
    std::vector<Value> items;
    std::map<std::string, Value> members;
    const Value& operator[](const std::string& key) const;
};

// Parses a whole document; false (with the offset of the fault) when it is
// not valid JSON.
bool Parse(const std::string& text, Value* out, size_t* errorOffset);

}  // namespace hostjson
