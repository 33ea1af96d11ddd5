#include "text/json_lines.h"

#include <iterator>
#include <utility>
#include <vector>

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

// Builds the document through nlohmann's public SAX interface and notes
// where the top fields, the elements of their lists and the elements'
// fields are.
class LineTrackingBuilder : public nlohmann::json_sax<json> {
public:
    LineTrackingBuilder(json* root, const std::size_t* line, JsonLines* lines)
        : root_(root), line_(line), lines_(lines) {}

    bool null() override { return Put(nullptr); }
    bool boolean(bool value) override { return Put(value); }
    bool number_integer(number_integer_t value) override { return Put(value); }
    bool number_unsigned(number_unsigned_t value) override { return Put(value); }
    bool number_float(number_float_t value, const string_t&) override { return Put(value); }
    bool string(string_t& value) override { return Put(std::move(value)); }
    bool binary(binary_t& value) override { return Put(json::binary(std::move(value))); }
    bool start_object(std::size_t) override {
        open_.push_back(Place(json::object()));
        kinds_.push_back('o');
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override {
        open_.push_back(Place(json::array()));
        kinds_.push_back('a');
        return true;
    }
    bool end_array() override { return Close(); }
    bool key(string_t& name) override {
        if (kinds_.size() == 1) lines_->topFields[name] = *line_;
        if (kinds_.size() == 3 && !lines_->elements.empty())
            lines_->elements.back().fields[name] = *line_;
        key_ = std::move(name);
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const json::exception& e) override {
        errorByte = position;
        errorText = e.what();
        *root_ = json();
        return false;
    }

    std::size_t errorByte = 0;
    std::string errorText;

private:
    // A value directly inside a list of the top object is one element. The
    // value goes into the innermost open container (or is the document);
    // the containers outside it do not change meanwhile, so the pointers
    // to them stay good.
    json* Place(json value) {
        if (kinds_.size() == 2 && kinds_.back() == 'a') lines_->elements.push_back({*line_, {}});
        if (open_.empty()) {
            *root_ = std::move(value);
            return root_;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        json& slot = parent[key_];
        slot = std::move(value);
        return &slot;
    }
    template <typename Value>
    bool Put(Value&& value) {
        Place(json(std::forward<Value>(value)));
        return true;
    }
    bool Close() {
        open_.pop_back();
        kinds_.pop_back();
        return true;
    }

    json* root_;
    const std::size_t* line_;
    JsonLines* lines_;
    std::vector<json*> open_;  // the containers not closed yet, outermost first
    std::vector<char> kinds_;
    std::string key_;
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
