// {"categories": [9, 16], "all": false, "rules": ["chromium.cookies"],
//  "with": ["history"], "keep": ["*\\keep*"], "noDefaultKeep": false,
//  "olderThanDays": 30, "rulesFile": "C:\\rules\\more.json", "undo": "default"}
#include "schedule/profiles.h"

#include <windows.h>

#include <algorithm>

#include "pipeline/categories.h"
#include "text/json_lines.h"
#include "platform/module_loader.h"
#include "text/format.h"
#include "fs/handles.h"
#include "platform/system_error.h"
#include "platform/user_files.h"
#include "rules/json_reader.h"
#include "rules/model.h"
#include "schedule/names.h"

namespace host {

namespace {

using nlohmann::json;

const wchar_t kProfileExtension[] = L".json";

std::wstring ProfileFolder() {
    const std::wstring data = UserDataFolder();
    return data.empty() ? data : data + L"\\profiles";
}

// Reads the fields of a parsed profile; the first fault wins, with the line
// of its field.
class ProfileReader {
public:
    ProfileReader(const json& root, const JsonLines& lines, Profile* profile)
        : root_(root), lines_(lines), profile_(profile) {}

    bool Read(std::wstring* reason) {
        reason_ = reason;
        if (!root_.is_object()) return Fail(L"a profile is one JSON object");
        static const char* const known[] = {
            "categories",    "all",           "rules",     "with", "keep",
            "noDefaultKeep", "olderThanDays", "rulesFile", "undo", "keepCookiesOf"};
        for (auto field = root_.begin(); field != root_.end(); ++field)
            if (std::find_if(std::begin(known), std::end(known), [&](const char* name) {
                    return field.key() == name;
                }) == std::end(known))
                return At(field.key()), Fail(L"unknown field \"" + Widen(field.key()) + L"\"");
        return Categories() && Flag("all", &profile_->all) && Texts("rules", &profile_->ruleIds) &&
               Groups() && Texts("keep", &profile_->keeps) &&
               Texts("keepCookiesOf", &profile_->keptSites) &&
               Flag("noDefaultKeep", &profile_->noDefaultKeep) && Days() && RulesFile() && Undo();
    }

private:
    // The field that is read now; false when the profile lacks it.
    bool At(const std::string& field) {
        at_ = field;
        return root_.contains(field);
    }
    bool Fail(const std::wstring& reason) {
        const auto found = lines_.topFields.find(at_);
        *reason_ = L"line " + std::to_wstring(found == lines_.topFields.end() ? 1 : found->second) +
                   L": " + reason;
        return false;
    }
    bool Flag(const char* field, bool* out) {
        if (!At(field)) return true;
        if (!root_[field].is_boolean())
            return Fail(L"\"" + Widen(field) + L"\" must be true or false");
        *out = root_[field].get<bool>();
        return true;
    }
    bool Texts(const char* field, std::vector<std::wstring>* out) {
        if (!At(field)) return true;
        const json& list = root_[field];
        if (!list.is_array()) return Fail(L"\"" + Widen(field) + L"\" must be a list of texts");
        for (const json& text : list) {
            if (!text.is_string() || text.get<std::string>().empty())
                return Fail(L"\"" + Widen(field) + L"\" must hold only non-empty texts");
            out->push_back(Widen(text.get<std::string>()));
        }
        return true;
    }
    bool Categories() {
        if (!At("categories")) return true;
        const json& list = root_["categories"];
        if (!list.is_array()) return Fail(L"\"categories\" must be a list of category numbers");
        for (const json& number : list) {
            const CategoryInfo* info =
                number.is_number_unsigned() && number.get<std::uint64_t>() <= 0xFFFF
                    ? FindCategory(number.get<std::uint32_t>())
                    : nullptr;
            if (!info || info->kind == CategoryKind::None)
                return Fail(L"\"categories\": " + Widen(number.dump()) +
                            L" is not a category (see ufclean categories)");
            if (std::find(profile_->categories.begin(), profile_->categories.end(), info->number) ==
                profile_->categories.end())
                profile_->categories.push_back(info->number);
        }
        return true;
    }
    bool Groups() {
        std::vector<std::wstring> names;
        if (!Texts("with", &names)) return false;
        for (const std::wstring& name : names) {
            RuleGroup group;
            if (!ParseGroup(name, &group))
                return Fail(L"\"with\": unknown group \"" + name +
                            L"\" (cache, cookies, history or session)");
            profile_->withGroups.push_back(group);
        }
        return true;
    }
    bool Days() {
        if (!At("olderThanDays")) return true;
        const json& days = root_["olderThanDays"];
        if (!days.is_number_unsigned() || days.get<std::uint64_t>() > 36500)
            return Fail(L"\"olderThanDays\" must be a number of days from 0 to 36500");
        profile_->olderThanDays = days.get<std::uint32_t>();
        return true;
    }
    bool Undo() {
        if (!At("undo")) return true;
        const json& mode = root_["undo"];
        return (mode.is_string() &&
                ParseUndoMode(Widen(mode.get<std::string>()), &profile_->undo)) ||
               Fail(L"\"undo\" must be \"default\", \"all\" or \"none\"");
    }
    bool RulesFile() {
        if (!At("rulesFile")) return true;
        if (!root_["rulesFile"].is_string()) return Fail(L"\"rulesFile\" must be a text");
        profile_->rulesFile = Widen(root_["rulesFile"].get<std::string>());
        std::wstring reason;
        return profile_->rulesFile.empty() ||
               CheckFullPath(profile_->rulesFile, L"\"rulesFile\"", &reason) || Fail(reason);
    }

    const json& root_;
    const JsonLines& lines_;
    Profile* profile_;
    std::wstring* reason_ = nullptr;
    std::string at_;
};

}  // namespace

std::wstring ProfileFile(const std::wstring& name) {
    const std::wstring folder = ProfileFolder();
    return folder.empty() ? folder : folder + L"\\" + name + kProfileExtension;
}

std::string ProfileJson(const Profile& profile) {
    json root = json::object();
    root["categories"] = profile.categories;
    root["all"] = profile.all;
    json list = json::array();
    for (const std::wstring& id : profile.ruleIds) list.push_back(Utf8(id));
    root["rules"] = list;
    list = json::array();
    for (RuleGroup group : profile.withGroups) list.push_back(Utf8(GroupName(group)));
    root["with"] = list;
    list = json::array();
    for (const std::wstring& glob : profile.keeps) list.push_back(Utf8(glob));
    root["keep"] = list;
    if (!profile.keptSites.empty()) {
        list = json::array();
        for (const std::wstring& site : profile.keptSites) list.push_back(Utf8(site));
        root["keepCookiesOf"] = list;
    }
    root["noDefaultKeep"] = profile.noDefaultKeep;
    root["olderThanDays"] = profile.olderThanDays;
    if (!profile.rulesFile.empty()) root["rulesFile"] = Utf8(profile.rulesFile);
    root["undo"] = Utf8(UndoModeName(profile.undo));
    return root.dump(2) + "\n";
}

bool ParseProfile(const std::string& text, Profile* profile, std::wstring* error) {
    json root;
    JsonLines lines;
    std::size_t line = 1;
    std::wstring syntax;
    if (!ParseJsonLines(text, &root, &lines, &line, &syntax)) {
        *error = L"line " + std::to_wstring(line) + L": not valid JSON (" + syntax + L")";
        return false;
    }
    Profile read;
    read.name = profile->name;
    std::wstring reason;
    if (!ProfileReader(root, lines, &read).Read(&reason)) {
        *error = reason;
        return false;
    }
    *profile = std::move(read);
    return true;
}

ProfileStatus LoadProfile(const std::wstring& name, Profile* profile, std::wstring* error) {
    if (!CheckName(name, error)) return ProfileStatus::Missing;
    const std::wstring path = ProfileFile(name);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        *error = L"no profile \"" + name + L"\" (" + path + L")";
        return ProfileStatus::Missing;
    }
    std::string text;
    if (!ReadTextFile(path, &text)) {
        *error = L"profile \"" + name + L"\" cannot be read: " + path;
        return ProfileStatus::Broken;
    }
    profile->name = name;
    std::wstring reason;
    if (!ParseProfile(text, profile, &reason)) {
        *error = L"profile \"" + name + L"\" is broken: " + path + L" " + reason;
        return ProfileStatus::Broken;
    }
    // A rule whose file has gone would be an unknown rule to the run.
    if (!profile->rulesFile.empty() &&
        GetFileAttributesW(profile->rulesFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
        *error = L"profile \"" + name + L"\" keeps its rules in " + profile->rulesFile +
                 L", which is gone (" + path + L")";
        return ProfileStatus::Broken;
    }
    return ProfileStatus::Ok;
}

bool KeepRulesFile(Profile* profile, const std::wstring& namedFile,
                   const std::vector<CleaningRule>& rules, std::wstring* error) {
    bool fromFile = false;
    for (const CleaningRule& rule : rules)
        if (rule.source != RuleSource::BuiltIn &&
            std::find(profile->ruleIds.begin(), profile->ruleIds.end(), rule.id) !=
                profile->ruleIds.end())
            fromFile = true;
    if (namedFile.empty() && !fromFile) return true;
    const std::wstring file = namedFile.empty() ? DefaultRulesFile() : namedFile;
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH ||
        (GetFileAttributesW(full) & FILE_ATTRIBUTE_DIRECTORY)) {  // also when missing
        *error = L"no rules file " + file + L": a profile keeps the rules file it is saved with";
        return false;
    }
    profile->rulesFile = full;
    return CheckFullPath(profile->rulesFile, L"the rules file", error);
}

bool SaveProfile(const Profile& profile, std::wstring* error) {
    if (!CheckName(profile.name, error)) return false;
    return MakeFolder(ProfileFolder(), error) &&
           WriteTextFile(ProfileFile(profile.name), ProfileJson(profile), error);
}

bool DeleteProfile(const std::wstring& name, std::wstring* error) {
    if (!CheckName(name, error)) return false;
    const std::wstring path = ProfileFile(name);
    const DWORD code = DeleteDataFile(path);
    if (code == ERROR_SUCCESS) return true;
    *error = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                 ? L"no profile \"" + name + L"\""
                 : L"cannot delete " + path + L": " + SystemErrorText(code);
    return false;
}

std::vector<std::wstring> ProfileNames() {
    std::vector<std::wstring> names;
    const std::wstring folder = ProfileFolder();
    if (folder.empty()) return names;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW((folder + L"\\*.json").c_str(), &entry));
    if (!find.valid()) return names;
    do {
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        std::wstring name = entry.cFileName;
        name.resize(name.size() - (sizeof kProfileExtension / sizeof(wchar_t) - 1));
        std::wstring reason;
        if (CheckName(name, &reason)) names.push_back(name);
    } while (FindNextFileW(find.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace host
