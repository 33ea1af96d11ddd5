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
#include "rules/json_reader.h"

#include <nlohmann/json.hpp>

#include <set>

#include "text/json_lines.h"
#include "platform/user_files.h"
#include "platform/module_loader.h"
#include "rules/ini_reader.h"
#include "rules/model.h"
#include "rules/refusal.h"
#include "rules/table.h"
#include "text/format.h"
#include "fs/fold.h"
#include "platform/program_folder.h"
#include "rules/ini_report.h"
#include "rules/places.h"

namespace host {

namespace {

using nlohmann::json;

using RuleLines = JsonElementLines;

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
    std::size_t LineOf(const std::string& field) const { return lines_.Of(field); }
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

}  // namespace

std::wstring DefaultRulesFile() {
    return ProgramFolder() + L"ufclean-rules.json";
}

bool ParseRules(const std::string& text, const std::wstring& fileName,
                std::vector<CleaningRule>* rules, std::wstring* error) {
    auto fail = [&](std::size_t line, const std::wstring& reason) {
        *error = fileName + L" line " + std::to_wstring(line) + L": " + reason;
        return false;
    };
    json root;
    JsonLines lines;
    std::size_t line = 1;
    std::wstring syntax;
    if (!ParseJsonLines(text, &root, &lines, &line, &syntax))
        return fail(line, L"syntax error: " + syntax);
    if (!root.is_object()) return fail(1, L"the file must hold one object with \"rules\"");
    for (const auto& field : root.items())
        if (field.key() != "rules")
            return fail(lines.topFields[field.key()],
                        L"unknown field \"" + Widen(field.key()) + L"\" (known: rules)");
    if (!root.contains("rules") || !root["rules"].is_array())
        return fail(root.contains("rules") ? lines.topFields["rules"] : 1,
                    L"\"rules\" must be a list of rules");

    std::set<std::wstring> ids;
    for (const CleaningRule& rule : *rules) ids.insert(rule.id);
    std::vector<CleaningRule> read;
    const json& list = root["rules"];
    for (size_t i = 0; i < list.size(); ++i) {
        CleaningRule rule;
        Fault fault{0, {}};
        RuleReader reader(list[i], lines.elements.at(i), &ids);
        if (!reader.Read(&rule, &fault)) return fail(fault.line, fault.reason);
        read.push_back(std::move(rule));
    }
    rules->insert(rules->end(), read.begin(), read.end());
    return true;
}

bool LoadRules(const std::wstring& file, std::vector<CleaningRule>* rules, std::wstring* error,
               ImportReport* report) {
    *rules = BuiltInRules();
    const std::wstring& name = file.empty() ? DefaultRulesFile() : file;
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (file.empty()) return true;
        *error = file + L": no such file";
        return false;
    }
    std::string text;
    if (!ReadTextFile(name, &text)) {
        *error = L"bad rules file: " + name + L": cannot be read (or larger than 256 MB)";
        return false;
    }
    const bool community =
        name.size() > 4 && ufc::SameFolded(name.substr(name.size() - 4), L".ini");
    ImportReport own;
    const bool ok = community
                        ? ImportCommunityRules(text, name, rules, report ? report : &own, error)
                        : ParseRules(text, name, rules, error);
    if (!ok) *error = L"bad rules file: " + *error;
    return ok;
}

}  // namespace host
