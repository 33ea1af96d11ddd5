// JSON texts read with the line of each part a reader may refuse, so that a
// fault in a file written by hand is shown where it is: the fields of the top
// object, the elements of a list that one of them holds, and the fields of
// those elements.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace host {

struct JsonElementLines {
    std::size_t line = 0;
    std::map<std::string, std::size_t> fields;
    // The line of the field, or of the element when it has no such field.
    std::size_t Of(const std::string& field) const;
};

struct JsonLines {
    std::map<std::string, std::size_t> topFields;
    // One per element of the lists directly in the top object, in order.
    std::vector<JsonElementLines> elements;
};

// Parses text into root. On a syntax fault, false with the fault's line and
// nlohmann's reason without its position ("syntax error while parsing object
// - unexpected '}'; expected string literal").
bool ParseJsonLines(const std::string& text, nlohmann::json* root, JsonLines* lines,
                    std::size_t* faultLine, std::wstring* fault);

}  // namespace host
