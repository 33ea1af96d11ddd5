#include "text/json_lines.h"

#include <iterator>

#include "text/format.h"

namespace host {

namespace {

using nlohmann::json;

// Hands the parser one character at a time and counts the line breaks it
// has passed, so that a field can be traced to its line.
struct CountingIterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;
    const char* at;
    std::size_t* line;
    reference operator*() const { return *at; }
    CountingIterator& operator++() {
        if (*at == '\n') ++*line;
        ++at;
        return *this;
    }
    bool operator==(const CountingIterator& other) const { return at == other.at; }
    bool operator!=(const CountingIterator& other) const { return at != other.at; }
};

// Builds the document with nlohmann's own builder and notes where the top
// fields, the elements of their lists and the elements' fields are.
class LineTrackingBuilder {
public:
    LineTrackingBuilder(json* root, const std::size_t* line, JsonLines* lines)
        : dom_(*root, false), line_(line), lines_(lines) {}

    bool null() { return Value() && dom_.null(); }
    bool boolean(bool value) { return Value() && dom_.boolean(value); }
    bool number_integer(json::number_integer_t value) {
        return Value() && dom_.number_integer(value);
    }
    bool number_unsigned(json::number_unsigned_t value) {
        return Value() && dom_.number_unsigned(value);
    }
    bool number_float(json::number_float_t value, const std::string& text) {
        return Value() && dom_.number_float(value, text);
    }
    bool string(std::string& value) { return Value() && dom_.string(value); }
    bool binary(json::binary_t& value) { return Value() && dom_.binary(value); }
    bool start_object(std::size_t size) {
        Value();
        kinds_.push_back('o');
        return dom_.start_object(size);
    }
    bool end_object() {
        kinds_.pop_back();
        return dom_.end_object();
    }
    bool start_array(std::size_t size) {
        Value();
        kinds_.push_back('a');
        return dom_.start_array(size);
    }
    bool end_array() {
        kinds_.pop_back();
        return dom_.end_array();
    }
    bool key(std::string& name) {
        if (kinds_.size() == 1) lines_->topFields[name] = *line_;
        if (kinds_.size() == 3 && !lines_->elements.empty())
            lines_->elements.back().fields[name] = *line_;
        return dom_.key(name);
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) {
        errorByte = position;
        errorText = e.what();
        return false;
    }

    std::size_t errorByte = 0;
    std::string errorText;

private:
    // A value directly inside a list of the top object is one element.
    bool Value() {
        if (kinds_.size() == 2 && kinds_.back() == 'a') lines_->elements.push_back({*line_, {}});
        return true;
    }
    nlohmann::detail::json_sax_dom_parser<json> dom_;
    const std::size_t* line_;
    JsonLines* lines_;
    std::vector<char> kinds_;
};

}  // namespace

std::size_t JsonElementLines::Of(const std::string& field) const {
    auto found = fields.find(field);
    return found == fields.end() ? line : found->second;
}

bool ParseJsonLines(const std::string& text, json* root, JsonLines* lines, std::size_t* faultLine,
                    std::wstring* fault) {
    std::size_t line = 1;
    LineTrackingBuilder builder(root, &line, lines);
    CountingIterator first{text.data(), &line}, last{text.data() + text.size(), &line};
    if (json::sax_parse(first, last, &builder)) return true;
    const std::size_t end = builder.errorByte ? builder.errorByte - 1 : 0;
    *faultLine = 1;
    for (std::size_t i = 0; i < end && i < text.size(); ++i) *faultLine += text[i] == '\n';
    // nlohmann's text without its code and position.
    const std::string& what = builder.errorText;
    const size_t column = what.find("column ");
    const size_t colon = column == std::string::npos ? what.find("]") : what.find(": ", column);
    *fault = Widen(colon == std::string::npos ? what : what.substr(colon + 2));
    return false;
}

}  // namespace host
