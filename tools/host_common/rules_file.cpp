// The user's rules file. A fault anywhere refuses the whole file with the
// line it is on: a run with half of the user's rules would clean something
// else than what was asked for.
//
// {"rules": [{"id": "chromium.media-cache", "name": "media cache",
//             "group": "cache", "family": "chromium", "folder": "local",
//             "path": "User Data\\*\\Media Cache", "files": [...],
//             "default": true}]}
#include <nlohmann/json.hpp>

#include <iterator>
#include <map>
#include <set>

#include "rules.h"
#include "text_format.h"

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

// The line of each rule and of each of its fields.
struct RuleLines {
    std::size_t line = 0;
    std::map<std::string, std::size_t> fields;
};

// Builds the document with nlohmann's own builder and notes where the top
// fields, the rules and their fields are.
class LineTrackingBuilder {
public:
    LineTrackingBuilder(json* root, const std::size_t* line) : dom_(*root, false), line_(line) {}

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
        if (kinds_.size() == 1) topFields[name] = *line_;
        if (kinds_.size() == 3 && !rules.empty()) rules.back().fields[name] = *line_;
        return dom_.key(name);
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& e) {
        errorByte = position;
        errorText = e.what();
        return false;
    }

    std::map<std::string, std::size_t> topFields;
    std::vector<RuleLines> rules;  // one per element of the top array
    std::size_t errorByte = 0;
    std::string errorText;

private:
    // A value directly inside the array of the top object is one rule.
    bool Value() {
        if (kinds_.size() == 2 && kinds_.back() == 'a') rules.push_back({*line_, {}});
        return true;
    }
    nlohmann::detail::json_sax_dom_parser<json> dom_;
    const std::size_t* line_;
    std::vector<char> kinds_;
};

struct Fault {
    std::size_t line;
    std::wstring reason;
};

bool IsIdCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// A path below the browser's data folder (wildcard true) or below the
// rule's folder: relative, backslash-separated, never climbing out.
bool CheckPath(const std::wstring& path, bool wildcard, std::wstring* reason) {
    if (path.empty()) {
        *reason = L"is empty";
        return false;
    }
    if (path.find(L'/') != std::wstring::npos) {
        *reason = L"uses '/': separate the folders with '\\'";
        return false;
    }
    if (path.find(L':') != std::wstring::npos || path[0] == L'\\') {
        *reason = L"is not relative: it must lie below the browser's folder";
        return false;
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring part = path.substr(start, end - start);
        if (part.empty()) {
            *reason = L"has an empty part";
            return false;
        }
        if (part == L"." || part == L"..") {
            *reason = L"leaves the profile with '" + part + L"'";
            return false;
        }
        const bool hasWildcard = part.find_first_of(L"*?") != std::wstring::npos;
        if (hasWildcard && !(wildcard && part == L"*")) {
            *reason = wildcard ? L"has a wildcard inside a name: only a whole part may be '*'"
                               : L"names a file with a wildcard";
            return false;
        }
        start = end + 1;
    }
    return true;
}

class RuleReader {
public:
    RuleReader(const json& value, const RuleLines& lines, std::set<std::wstring>* ids)
        : value_(value), lines_(lines), ids_(ids) {}

    bool Read(CleaningRule* rule, Fault* fault) {
        fault_ = fault;
        if (!value_.is_object()) return Fail(lines_.line, L"a rule must be an object");
        static const std::set<std::string> known = {"id",   "name",  "group",  "family",
                                                    "path", "files", "folder", "default"};
        for (const auto& field : value_.items())
            if (!known.count(field.key()))
                return Fail(LineOf(field.key()), L"unknown field \"" + Widen(field.key()) +
                                                     L"\" (known: id, name, group, family, "
                                                     L"folder, path, files, default)");
        std::wstring family, folder = L"local", group;
        if (!Text("id", &rule->id) || !Text("name", &rule->name) || !Text("group", &group) ||
            !Text("family", &family) || !Text("path", &rule->path) ||
            !Text("folder", &folder, false))
            return false;
        if (!CheckId(rule->id)) return false;
        if (!ParseGroup(group, &rule->group))
            return Fail(LineOf("group"),
                        L"unknown group \"" + group + L"\" (cache, cookies, history or session)");
        if (family == L"chromium" || family == L"gecko")
            rule->family = family == L"chromium" ? BrowserFamily::Chromium : BrowserFamily::Gecko;
        else
            return Fail(LineOf("family"),
                        L"unknown family \"" + family + L"\" (chromium or gecko)");
        if (folder == L"local" || folder == L"roaming")
            rule->folder =
                folder == L"local" ? RuleFolder::LocalAppData : RuleFolder::RoamingAppData;
        else
            return Fail(LineOf("folder"), L"unknown folder \"" + folder + L"\" (local or roaming)");
        std::wstring reason;
        if (!CheckPath(rule->path, true, &reason))
            return Fail(LineOf("path"), L"the path \"" + rule->path + L"\" " + reason);
        if (!Files(rule)) return false;
        rule->onByDefault = rule->group == RuleGroup::Cache;
        if (value_.contains("default")) {
            if (!value_["default"].is_boolean())
                return Fail(LineOf("default"), L"\"default\" must be true or false");
            rule->onByDefault = value_["default"].get<bool>();
        }
        return true;
    }

private:
    std::size_t LineOf(const std::string& field) const {
        auto found = lines_.fields.find(field);
        return found == lines_.fields.end() ? lines_.line : found->second;
    }
    bool Fail(std::size_t line, const std::wstring& reason) {
        *fault_ = {line, reason};
        return false;
    }
    bool Text(const char* field, std::wstring* out, bool required = true) {
        if (!value_.contains(field))
            return !required || Fail(lines_.line, L"the rule has no \"" + Widen(field) + L"\"");
        const json& text = value_[field];
        if (!text.is_string() || text.get<std::string>().empty())
            return Fail(LineOf(field), L"\"" + Widen(field) + L"\" must be a non-empty text");
        *out = Widen(text.get<std::string>());
        return true;
    }
    bool CheckId(const std::wstring& id) {
        const std::string bytes = Utf8(id);
        for (char c : bytes)
            if (!IsIdCharacter(c))
                return Fail(LineOf("id"),
                            L"the id \"" + id + L"\" may hold only a-z, 0-9, '.', '-' and '_'");
        if (!ids_->insert(id).second)
            return Fail(LineOf("id"), L"the id \"" + id + L"\" is taken already");
        return true;
    }
    bool Files(CleaningRule* rule) {
        if (!value_.contains("files")) return true;
        const json& files = value_["files"];
        if (!files.is_array() || files.empty())
            return Fail(LineOf("files"), L"\"files\" must be a list of file names");
        for (const json& file : files) {
            if (!file.is_string()) return Fail(LineOf("files"), L"\"files\" must hold only texts");
            const std::wstring name = Widen(file.get<std::string>());
            std::wstring reason;
            if (!CheckPath(name, false, &reason))
                return Fail(LineOf("files"), L"the file \"" + name + L"\" " + reason);
            rule->files.push_back(name);
        }
        return true;
    }

    const json& value_;
    const RuleLines& lines_;
    std::set<std::wstring>* ids_;
    Fault* fault_ = nullptr;
};

std::size_t LineAtByte(const std::string& text, std::size_t byte) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < byte && i < text.size(); ++i) line += text[i] == '\n';
    return line;
}

// nlohmann's text without its code and position: "syntax error while
// parsing object - unexpected '}'; expected string literal".
std::wstring SyntaxDetail(const std::string& what) {
    const size_t column = what.find("column ");
    const size_t colon = column == std::string::npos ? what.find("]") : what.find(": ", column);
    return Widen(colon == std::string::npos ? what : what.substr(colon + 2));
}

}  // namespace

bool ParseRules(const std::string& text, const std::wstring& fileName,
                std::vector<CleaningRule>* rules, std::wstring* error) {
    auto fail = [&](std::size_t line, const std::wstring& reason) {
        *error = fileName + L" line " + std::to_wstring(line) + L": " + reason;
        return false;
    };
    json root;
    std::size_t line = 1;
    LineTrackingBuilder builder(&root, &line);
    CountingIterator first{text.data(), &line}, last{text.data() + text.size(), &line};
    if (!json::sax_parse(first, last, &builder))
        return fail(LineAtByte(text, builder.errorByte ? builder.errorByte - 1 : 0),
                    L"syntax error: " + SyntaxDetail(builder.errorText));
    if (!root.is_object()) return fail(1, L"the file must hold one object with \"rules\"");
    for (const auto& field : root.items())
        if (field.key() != "rules")
            return fail(builder.topFields[field.key()],
                        L"unknown field \"" + Widen(field.key()) + L"\" (known: rules)");
    if (!root.contains("rules") || !root["rules"].is_array())
        return fail(root.contains("rules") ? builder.topFields["rules"] : 1,
                    L"\"rules\" must be a list of rules");

    std::set<std::wstring> ids;
    for (const CleaningRule& rule : *rules) ids.insert(rule.id);
    std::vector<CleaningRule> read;
    const json& list = root["rules"];
    for (size_t i = 0; i < list.size(); ++i) {
        CleaningRule rule;
        Fault fault{0, {}};
        RuleReader reader(list[i], builder.rules.at(i), &ids);
        if (!reader.Read(&rule, &fault)) return fail(fault.line, fault.reason);
        read.push_back(std::move(rule));
    }
    rules->insert(rules->end(), read.begin(), read.end());
    return true;
}

bool LoadRules(const std::wstring& file, std::vector<CleaningRule>* rules, std::wstring* error) {
    *rules = BuiltInRules();
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = file + L": cannot be read";
        return false;
    }
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(handle, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(handle);
    return ParseRules(text, file, rules, error);
}

}  // namespace host
