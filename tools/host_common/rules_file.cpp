// The user's rules file. A fault anywhere refuses the whole file with the
// line it is on: a run with half of the user's rules would clean something
// else than what was asked for.
//
// {"rules": [{"id": "app.cache", "name": "cache", "group": "cache",
//             "application": "App", "path": "%LocalAppData%\\App\\Cache",
//             "files": ["*.tmp"], "recurse": true, "olderThanDays": 2,
//             "exclude": ["*\\keep.tmp"], "detect": ["HKCU\\Software\\App"]},
//            {"id": "chromium.media-cache", "name": "media cache",
//             "group": "cache", "family": "chromium", "path": "Media Cache"}]}
#include <nlohmann/json.hpp>

#include <iterator>
#include <map>
#include <set>

#include "rules.h"
#include "text_format.h"
#include "util/handles.h"

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

class RuleReader {
public:
    RuleReader(const json& value, const RuleLines& lines, std::set<std::wstring>* ids)
        : value_(value), lines_(lines), ids_(ids) {}

    bool Read(CleaningRule* rule, Fault* fault) {
        fault_ = fault;
        rule->source = RuleSource::File;
        if (!value_.is_object()) return Fail(lines_.line, L"a rule must be an object");
        static const std::set<std::string> known = {
            "id",   "name",  "group",   "application",   "family",  "folder", "scope",
            "path", "files", "recurse", "olderThanDays", "exclude", "detect", "default"};
        for (const auto& field : value_.items())
            if (!known.count(field.key()))
                return Fail(LineOf(field.key()),
                            L"unknown field \"" + Widen(field.key()) +
                                L"\" (known: id, name, group, application, family, folder, "
                                L"scope, path, files, recurse, olderThanDays, exclude, detect, "
                                L"default)");
        std::wstring group, family;
        if (!Text("id", &rule->id) || !Text("name", &rule->name) || !Text("group", &group) ||
            !Text("family", &family, false) || !CheckId(rule->id))
            return false;
        if (!ParseGroup(group, &rule->group)) {
            std::wstring known;
            for (RuleGroup each : AllGroups())
                known += (known.empty() ? L"" : L", ") + std::wstring(GroupName(each));
            return Fail(LineOf("group"), L"unknown group \"" + group + L"\" (" + known + L")");
        }
        if (family == L"chromium" || family == L"gecko")
            rule->family = family == L"chromium" ? RuleFamily::Chromium : RuleFamily::Gecko;
        else if (!family.empty())
            return Fail(LineOf("family"),
                        L"unknown family \"" + family + L"\" (chromium or gecko)");
        RuleKey key;
        if (!(rule->family == RuleFamily::None ? OwnPlaces(rule) : FamilyPlace(&key)) ||
            !Files(&key) || !Flag("recurse", &key.recurse, key.patterns.empty()) || !Days(rule) ||
            !Excludes(rule) || !Detects(rule))
            return false;
        for (RuleKey& place : rule->keys) {
            place.patterns = key.patterns;
            place.recurse = key.recurse;
        }
        if (rule->keys.empty()) rule->keys.push_back(key);
        const std::wstring refusal = RuleRefusal(*rule);
        if (!refusal.empty()) return Fail(LineOf("path"), refusal);
        if (!Flag("default", &rule->onByDefault,
                  rule->group == RuleGroup::Cache || rule->group == RuleGroup::Logs))
            return false;
        if (rule->onByDefault && rule->group == RuleGroup::Credentials)
            return Fail(LineOf("default"),
                        L"a rule of group credentials runs only when chosen by its id: it "
                        L"cannot be on by default");
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
    bool Flag(const char* field, bool* out, bool otherwise) {
        *out = otherwise;
        if (!value_.contains(field)) return true;
        if (!value_[field].is_boolean())
            return Fail(LineOf(field), L"\"" + Widen(field) + L"\" must be true or false");
        *out = value_[field].get<bool>();
        return true;
    }
    // A list of non-empty texts (a single text counts as a list of one).
    bool Texts(const char* field, std::vector<std::wstring>* out) {
        if (!value_.contains(field)) return true;
        const json& list = value_[field];
        const std::wstring what = L"\"" + Widen(field) + L"\" must be a list of texts";
        if (list.is_string()) return Text(field, &out->emplace_back());
        if (!list.is_array() || list.empty()) return Fail(LineOf(field), what);
        for (const json& item : list) {
            if (!item.is_string() || item.get<std::string>().empty())
                return Fail(LineOf(field), what);
            out->push_back(Widen(item.get<std::string>()));
        }
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
    // A rule of its own: "path" with a folder variable, and an application.
    bool OwnPlaces(CleaningRule* rule) {
        std::wstring path;
        if (!Text("application", &rule->application) || !Text("path", &path)) return false;
        if (value_.contains("folder") || value_.contains("scope"))
            return Fail(LineOf(value_.contains("folder") ? "folder" : "scope"),
                        L"\"folder\" and \"scope\" belong to a rule with a \"family\"");
        std::vector<RulePlace> places;
        std::wstring reason;
        if (!ParsePlace(path, &places, &reason))
            return Fail(LineOf("path"), L"the path \"" + path + L"\" " + reason);
        for (const RulePlace& place : places) {
            RuleKey& key = rule->keys.emplace_back();
            key.root = place.root;
            key.path = place.path;
        }
        return true;
    }
    // A family rule: "path" below each profile (or the user data folder).
    bool FamilyPlace(RuleKey* key) {
        std::wstring folder = L"own", scope = L"profile", reason;
        if (value_.contains("application"))
            return Fail(LineOf("application"),
                        L"a rule with a \"family\" applies to each application of it");
        if (!Text("folder", &folder, false) || !Text("scope", &scope, false)) return false;
        if (value_.contains("path")) {
            if (!value_["path"].is_string())
                return Fail(LineOf("path"), L"\"path\" must be a text");
            key->path = Widen(value_["path"].get<std::string>());
        }
        if (folder != L"own" && folder != L"local" && folder != L"roaming")
            return Fail(LineOf("folder"),
                        L"unknown folder \"" + folder + L"\" (own, local or roaming)");
        key->root = folder == L"own"     ? KnownFolder::Application
                    : folder == L"local" ? KnownFolder::LocalAppData
                                         : KnownFolder::RoamingAppData;
        if (scope != L"profile" && scope != L"user data")
            return Fail(LineOf("scope"),
                        L"unknown scope \"" + scope + L"\" (profile or user data)");
        key->perProfile = scope == L"profile";
        if (!CheckRelativePath(key->path, true, &reason))
            return Fail(LineOf("path"), L"the path \"" + key->path + L"\" " + reason);
        return true;
    }
    bool Files(RuleKey* key) {
        if (!Texts("files", &key->patterns)) return false;
        for (const std::wstring& name : key->patterns) {
            std::wstring reason;
            if (!CheckRelativePath(name, true, &reason))
                return Fail(LineOf("files"), L"the file \"" + name + L"\" " + reason);
        }
        return true;
    }
    bool Days(CleaningRule* rule) {
        if (!value_.contains("olderThanDays")) return true;
        const json& days = value_["olderThanDays"];
        if (!days.is_number_unsigned() || days.get<std::uint64_t>() > 36500)
            return Fail(LineOf("olderThanDays"),
                        L"\"olderThanDays\" must be a whole number of days from 0 to 36500");
        rule->olderThanDays = days.get<std::uint32_t>();
        return true;
    }
    // Texts that start with a folder variable become places, the others
    // stay as they are.
    bool Places(const char* field, const wchar_t* what, std::vector<std::wstring>* plain,
                std::vector<RulePlace>* places) {
        std::vector<std::wstring> texts;
        if (!Texts(field, &texts)) return false;
        for (const std::wstring& text : texts) {
            std::wstring reason;
            if (text[0] != L'%')
                plain->push_back(text);
            else if (!ParsePlace(text, places, &reason))
                return Fail(LineOf(field),
                            L"the " + std::wstring(what) + L" \"" + text + L"\" " + reason);
        }
        return true;
    }
    // "%LocalAppData%\App\keep*" or a glob over the whole path ("*\settings.json").
    bool Excludes(CleaningRule* rule) {
        std::vector<RulePlace> places;
        if (!Places("exclude", L"exclusion", &rule->excludes, &places)) return false;
        for (const RulePlace& place : places)
            rule->excludes.push_back(JoinPlace(KnownFolderPath(place.root), place.path));
        return true;
    }
    // Files or folders ("%AppData%\discord") or registry keys ("HKCU\...").
    bool Detects(CleaningRule* rule) {
        return Places("detect", L"detection", &rule->detectKeys, &rule->detectPaths);
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

bool LoadRules(const std::wstring& file, std::vector<CleaningRule>* rules, std::wstring* error,
               ImportReport* report) {
    *rules = BuiltInRules();
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    ufc::unique_hfile handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        *error = file + L": cannot be read";
        return false;
    }
    std::string text;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(handle.get(), &size) && size.QuadPart < (1ll << 30))
        text.reserve(static_cast<size_t>(size.QuadPart));
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(handle.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    const bool community = file.size() > 4 && SameText(file.substr(file.size() - 4), L".ini");
    if (!community) return ParseRules(text, file, rules, error);
    ImportReport own;
    ImportCommunityRules(text, rules, report ? report : &own);
    return true;
}

}  // namespace host
