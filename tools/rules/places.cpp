#include "rules/places.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "fs/fold.h"
#include "fs/path_text.h"
#include "text/glob.h"

namespace host {

std::wstring ShellFolderPath(const GUID& id, unsigned long flags) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, flags, nullptr, &path)) && path) result = path;
    CoTaskMemFree(path);
    return result;
}

bool LongPath(const std::wstring& path, std::wstring* out) {
    std::wstring longer(ufc::kPathUnits, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), &longer[0], ufc::kPathUnits);
    if (length == 0 || length >= ufc::kPathUnits) return false;
    longer.resize(length);
    *out = longer;
    return true;
}

namespace {

constexpr std::size_t kFolderCount = static_cast<std::size_t>(KnownFolder::Application) + 1;

// A 32-bit program sees "Program Files (x86)" as its Program Files; the
// 64-bit folder's name is in the environment there.
std::wstring NativeFolder(const wchar_t* variable, REFKNOWNFOLDERID fallback) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return buffer;
    return ShellFolderPath(fallback);
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return {};
    return buffer;
}

// The folders the shell knows by an id.
struct ShellId {
    KnownFolder folder;
    const KNOWNFOLDERID* id;
};

const ShellId kShellIds[] = {
    {KnownFolder::LocalAppData, &FOLDERID_LocalAppData},
    {KnownFolder::RoamingAppData, &FOLDERID_RoamingAppData},
    {KnownFolder::LocalAppDataLow, &FOLDERID_LocalAppDataLow},
    {KnownFolder::ProgramData, &FOLDERID_ProgramData},
    {KnownFolder::Windows, &FOLDERID_Windows},
    {KnownFolder::Profile, &FOLDERID_Profile},
    {KnownFolder::ProgramFilesX86, &FOLDERID_ProgramFilesX86},
    {KnownFolder::CommonFilesX86, &FOLDERID_ProgramFilesCommonX86},
    {KnownFolder::Public, &FOLDERID_Public},
    {KnownFolder::Documents, &FOLDERID_Documents},
    {KnownFolder::Pictures, &FOLDERID_Pictures},
    {KnownFolder::Music, &FOLDERID_Music},
    {KnownFolder::Videos, &FOLDERID_Videos},
    {KnownFolder::Desktop, &FOLDERID_Desktop},
    {KnownFolder::Downloads, &FOLDERID_Downloads},
};

std::wstring Resolve(KnownFolder folder) {
    for (const ShellId& shell : kShellIds)
        // Also a folder not made yet: a rule may not reach it once it is.
        if (shell.folder == folder) return ShellFolderPath(*shell.id, KF_FLAG_DONT_VERIFY);
    switch (folder) {
        case KnownFolder::UserTemp:
            return TempFolder();
        case KnownFolder::ProgramFiles:
            return NativeFolder(L"ProgramW6432", FOLDERID_ProgramFiles);
        case KnownFolder::CommonFiles:
            return NativeFolder(L"CommonProgramW6432", FOLDERID_ProgramFilesCommon);
        case KnownFolder::SystemDrive: {
            const std::wstring windows = ShellFolderPath(FOLDERID_Windows);
            return windows.size() >= 2 && windows[1] == L':' ? windows.substr(0, 2) : L"";
        }
        default:
            return {};  // Application: each application's own
    }
}

struct Variable {
    const wchar_t* name;
    KnownFolder first;
    KnownFolder second;  // == first when the variable names one folder
};

// The variables of the rule formats, matched case-insensitively.
const Variable kVariables[] = {
    {L"LocalAppData", KnownFolder::LocalAppData, KnownFolder::LocalAppData},
    {L"AppData", KnownFolder::RoamingAppData, KnownFolder::RoamingAppData},
    {L"LocalLowAppData", KnownFolder::LocalAppDataLow, KnownFolder::LocalAppDataLow},
    {L"LocalAppDataLow", KnownFolder::LocalAppDataLow, KnownFolder::LocalAppDataLow},
    {L"ProgramData", KnownFolder::ProgramData, KnownFolder::ProgramData},
    {L"CommonAppData", KnownFolder::ProgramData, KnownFolder::ProgramData},
    {L"AllUsersProfile", KnownFolder::ProgramData, KnownFolder::ProgramData},
    {L"WinDir", KnownFolder::Windows, KnownFolder::Windows},
    {L"SystemRoot", KnownFolder::Windows, KnownFolder::Windows},
    {L"UserProfile", KnownFolder::Profile, KnownFolder::Profile},
    {L"Temp", KnownFolder::UserTemp, KnownFolder::UserTemp},
    {L"Tmp", KnownFolder::UserTemp, KnownFolder::UserTemp},
    {L"ProgramFiles", KnownFolder::ProgramFiles, KnownFolder::ProgramFilesX86},
    {L"ProgramFiles(x86)", KnownFolder::ProgramFilesX86, KnownFolder::ProgramFilesX86},
    {L"CommonProgramFiles", KnownFolder::CommonFiles, KnownFolder::CommonFilesX86},
    {L"CommonProgramFiles(x86)", KnownFolder::CommonFilesX86, KnownFolder::CommonFilesX86},
    {L"Public", KnownFolder::Public, KnownFolder::Public},
    {L"SystemDrive", KnownFolder::SystemDrive, KnownFolder::SystemDrive},
    {L"HomeDrive", KnownFolder::SystemDrive, KnownFolder::SystemDrive},
    {L"Documents", KnownFolder::Documents, KnownFolder::Documents},
    {L"Pictures", KnownFolder::Pictures, KnownFolder::Pictures},
    {L"Music", KnownFolder::Music, KnownFolder::Music},
    {L"Video", KnownFolder::Videos, KnownFolder::Videos},
    {L"Videos", KnownFolder::Videos, KnownFolder::Videos},
    {L"Desktop", KnownFolder::Desktop, KnownFolder::Desktop},
    {L"Downloads", KnownFolder::Downloads, KnownFolder::Downloads},
};

}  // namespace

const std::wstring& KnownFolderPath(KnownFolder folder) {
    static const std::array<std::wstring, kFolderCount> paths = [] {
        std::array<std::wstring, kFolderCount> resolved;
        for (std::size_t i = 0; i < kFolderCount; ++i) {
            std::wstring path = Resolve(static_cast<KnownFolder>(i));
            while (path.size() > 2 && path.back() == L'\\') path.pop_back();
            // A short name ("RUNNER~1", as the temp folder often has it) in
            // its long form: the walks then give paths as the guard reads them.
            if (path.find(L'~') != std::wstring::npos) LongPath(path, &path);
            resolved[i] = path;
        }
        return resolved;
    }();
    return paths[static_cast<std::size_t>(folder)];
}

std::vector<std::wstring> KnownRuleRoots() {
    std::vector<std::wstring> roots;
    for (const Variable& variable : kVariables) {
        for (KnownFolder folder : {variable.first, variable.second}) {
            std::wstring path = KnownFolderPath(folder);
            if (path.empty()) continue;
            if (path.size() == 2) path += L'\\';  // the drive's root
            bool seen = false;
            for (const std::wstring& root : roots) seen = seen || ufc::SameFolded(root, path);
            if (!seen) roots.push_back(path);
        }
    }
    return roots;
}

std::vector<std::wstring> SplitParts(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool HasWildcard(const std::wstring& text) {
    return text.find_first_of(L"*?") != std::wstring::npos;
}

bool PartMatches(const std::wstring& pattern, const std::wstring& name) {
    if (pattern == L"*" || pattern == L"*.*") return true;
    return HasWildcard(pattern) ? GlobMatch(pattern, name) : ufc::SameFolded(pattern, name);
}

std::wstring JoinPlace(const std::wstring& root, const std::wstring& path) {
    return path.empty() ? root : root + L"\\" + path;
}

bool CheckRelativePath(const std::wstring& path, bool wildcards, std::wstring* reason) {
    if (path.find(L'/') != std::wstring::npos) {
        *reason = L"uses '/': separate the folders with '\\'";
        return false;
    }
    if (path.find(L':') != std::wstring::npos || (!path.empty() && path[0] == L'\\')) {
        *reason = L"is not relative";
        return false;
    }
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const size_t length = end - start;
        if (length == 0) {
            *reason = L"has an empty part";
            return false;
        }
        if (path.find_first_not_of(L'.', start) >= end && length <= 2) {
            *reason = L"leaves its folder with '" + path.substr(start, length) + L"'";
            return false;
        }
        if (!wildcards && path.find_first_of(L"*?", start) < end) {
            *reason = L"has a wildcard where a name must stand";
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool ParsePlace(const std::wstring& text, std::vector<RulePlace>* places, std::wstring* reason) {
    const size_t close =
        text.size() > 1 && text[0] == L'%' ? text.find(L'%', 1) : std::wstring::npos;
    if (close == std::wstring::npos) {
        *reason = L"does not start with a folder variable such as %LocalAppData%";
        return false;
    }
    const std::wstring name = text.substr(1, close - 1);
    const Variable* variable = nullptr;
    for (const Variable& known : kVariables)
        if (ufc::SameFolded(name, known.name)) variable = &known;
    if (!variable) {
        *reason = L"uses the unknown variable %" + name + L"%";
        return false;
    }
    std::wstring rest = text.substr(close + 1);
    if (!rest.empty() && rest[0] != L'\\') {
        *reason = L"has no backslash after %" + name + L"%";
        return false;
    }
    while (!rest.empty() && rest[0] == L'\\') rest.erase(0, 1);
    while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    if (!CheckRelativePath(rest, true, reason)) return false;
    places->push_back({variable->first, rest});
    const std::wstring& second = KnownFolderPath(variable->second);
    if (variable->second != variable->first &&
        !ufc::SameFolded(second, KnownFolderPath(variable->first)))
        places->push_back({variable->second, rest});
    return true;
}

std::wstring PlaceText(const RulePlace& place) {
    std::wstring name = L"application folder";
    for (const Variable& variable : kVariables)
        if (variable.first == place.root) {
            name = variable.name;
            break;
        }
    return JoinPlace(L"%" + name + L"%", place.path);
}

}  // namespace host
