// {"categories": [9, 16], "all": false, "rules": ["chromium.cookies"],
//  "with": ["history"], "keep": ["*\\keep*"], "noDefaultKeep": false,
//  "olderThanDays": 30}
#include "profiles.h"

#include <windows.h>
#include <shlobj.h>

#include <nlohmann/json.hpp>

#include <algorithm>

#include "categories.h"
#include "util/handles.h"
#include "util/rooted_delete.h"
#include "module_loader.h"
#include "text_format.h"

namespace host {

namespace {

using nlohmann::json;

const wchar_t kProfileExtension[] = L".json";

bool IsNameCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'_' || c == L'.';
}

// The user's data may lie in folders others can write (a service's profile):
// it is deleted by handle, following no link below the application-data
// folders.
std::vector<std::wstring> DataRoots() {
    std::vector<std::wstring> roots;
    for (int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
            roots.push_back(path);
    }
    return roots;
}

std::wstring ProfileFolder() {
    const std::wstring data = UserDataFolder();
    return data.empty() ? data : data + L"\\profiles";
}

// Reads the fields of a parsed profile; the first fault wins.
class ProfileReader {
public:
    ProfileReader(const json& root, Profile* profile) : root_(root), profile_(profile) {}

    bool Read(std::wstring* reason) {
        reason_ = reason;
        if (!root_.is_object()) return Fail(L"a profile is one JSON object");
        static const char* const known[] = {"categories", "all",           "rules",        "with",
                                            "keep",       "noDefaultKeep", "olderThanDays"};
        for (auto field = root_.begin(); field != root_.end(); ++field)
            if (std::find_if(std::begin(known), std::end(known), [&](const char* name) {
                    return field.key() == name;
                }) == std::end(known))
                return Fail(L"unknown field \"" + Widen(field.key()) + L"\"");
        return Categories() && Flag("all", &profile_->all) && Texts("rules", &profile_->ruleIds) &&
               Groups() && Texts("keep", &profile_->keeps) &&
               Flag("noDefaultKeep", &profile_->noDefaultKeep) && Days();
    }

private:
    bool Fail(const std::wstring& reason) {
        *reason_ = reason;
        return false;
    }
    bool Flag(const char* field, bool* out) {
        if (!root_.contains(field)) return true;
        if (!root_[field].is_boolean())
            return Fail(L"\"" + Widen(field) + L"\" must be true or false");
        *out = root_[field].get<bool>();
        return true;
    }
    bool Texts(const char* field, std::vector<std::wstring>* out) {
        if (!root_.contains(field)) return true;
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
        if (!root_.contains("categories")) return true;
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
        if (!root_.contains("olderThanDays")) return true;
        const json& days = root_["olderThanDays"];
        if (!days.is_number_unsigned() || days.get<std::uint64_t>() > 36500)
            return Fail(L"\"olderThanDays\" must be a number of days from 0 to 36500");
        profile_->olderThanDays = days.get<std::uint32_t>();
        return true;
    }

    const json& root_;
    Profile* profile_;
    std::wstring* reason_ = nullptr;
};

}  // namespace

bool CheckName(const std::wstring& name, std::wstring* reason) {
    if (name.empty() || name.size() > 64 || !IsNameCharacter(name[0]) || name[0] == L'-' ||
        name[0] == L'_' || name[0] == L'.' ||
        !std::all_of(name.begin(), name.end(), IsNameCharacter)) {
        *reason =
            L"a name is 1 to 64 of A-Z, a-z, 0-9, '-', '_' and '.', starting with "
            L"a letter or digit: \"" +
            name + L"\"";
        return false;
    }
    return true;
}

std::wstring UserDataFolder() {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buffer)))
        return std::wstring();
    return std::wstring(buffer) + L"\\UnusedFileClean";
}

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
    root["noDefaultKeep"] = profile.noDefaultKeep;
    root["olderThanDays"] = profile.olderThanDays;
    return root.dump(2) + "\n";
}

bool ParseProfile(const std::string& text, Profile* profile, std::wstring* error) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& fault) {
        const std::size_t end = std::min<std::size_t>(fault.byte ? fault.byte - 1 : 0, text.size());
        *error = L"line " +
                 std::to_wstring(1 + std::count(text.begin(), text.begin() + end, '\n')) +
                 L": not valid JSON";
        return false;
    }
    Profile read;
    read.name = profile->name;
    std::wstring reason;
    if (!ProfileReader(root, &read).Read(&reason)) {
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
    return ProfileStatus::Ok;
}

bool SaveProfile(const Profile& profile, std::wstring* error) {
    if (!CheckName(profile.name, error)) return false;
    return MakeFolder(ProfileFolder(), error) &&
           WriteTextFile(ProfileFile(profile.name), ProfileJson(profile), error);
}

bool DeleteProfile(const std::wstring& name, std::wstring* error) {
    if (!CheckName(name, error)) return false;
    const std::wstring path = ProfileFile(name);
    const DWORD code = ufc::RootedDeleter(DataRoots()).DeleteFile(path.c_str());
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

bool MakeFolder(const std::wstring& folder, std::wstring* error) {
    const int made = folder.empty() ? ERROR_PATH_NOT_FOUND
                                    : SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS) return true;
    *error =
        L"cannot make the folder " + folder + L": " + SystemErrorText(static_cast<DWORD>(made));
    return false;
}

int DeleteFilesIn(const std::wstring& folder, const wchar_t* pattern) {
    ufc::RootedDeleter deleter(DataRoots());
    int removed = 0;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW((folder + L"\\" + pattern).c_str(), &entry));
    if (find) {
        do {
            if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            const std::wstring path = folder + L"\\" + entry.cFileName;
            if (deleter.DeleteFile(path.c_str()) == ERROR_SUCCESS) ++removed;
        } while (FindNextFileW(find.get(), &entry));
    }
    deleter.RemoveFolder(folder.c_str());
    return removed;
}

bool ReadTextFile(const std::wstring& path, std::string* text) {
    ufc::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A file of gigabytes is none of these: it is not read at all.
    LARGE_INTEGER size = {};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestTextFile)
        return false;
    text->clear();
    text->reserve(static_cast<size_t>(size.QuadPart));
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0 &&
           text->size() < kLargestTextFile)
        text->append(buffer, read);
    return true;
}

bool WriteTextFile(const std::wstring& path, const std::string& text, std::wstring* error) {
    const std::wstring temporary = path + L".new";
    {
        ufc::unique_hfile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() ||
            !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) ||
            written != text.size()) {
            *error = L"cannot write " + temporary + L": " + SystemErrorText(GetLastError());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        *error = L"cannot write " + path + L": " + SystemErrorText(GetLastError());
        ufc::RootedDeleter(DataRoots()).DeleteFile(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace host
