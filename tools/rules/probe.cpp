#include "rules/probe.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstdint>
#include <map>
#include <set>

#include "fs/fold.h"
#include "fs/folder_walk.h"
#include "rules/places.h"

namespace host {

namespace {

bool FitsPath(const std::wstring& path) {
    return path.size() < ufc::kPathUnits;
}

}  // namespace

// One entry of a folder or a registry key as a listing gave it.
struct Entry {
    std::wstring name;
    bool folder;    // a folder a rule may enter (not a link); for keys: always
    bool walkable;  // a folder "*" may stand for: also not dot-named
};

struct Listing {
    bool exists = false;
    std::vector<Entry> entries;
};

struct RuleProbe::Memory {
    std::map<std::wstring, Listing> folders;  // by lower-case path, ending in '\'
    std::map<std::wstring, Listing> keys;     // by lower-case "root|view|path"
    bool haveProcesses = false;
    std::set<std::wstring> processes;  // lower-case program names

    const Listing& Folder(const std::wstring& prefix) {
        auto [at, added] = folders.try_emplace(ufc::Folded(prefix));
        if (!added) return at->second;
        WIN32_FIND_DATAW entry;
        ufc::unique_hfind find = ufc::OpenFolderEntries(prefix.c_str(), &entry);
        if (!find) return at->second;
        at->second.exists = true;
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const bool folder = ufc::IsFolderEntry(entry) &&
                                !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
            at->second.entries.push_back({name, folder, folder && ufc::IsWalkableFolder(entry)});
        } while (FindNextFileW(find.get(), &entry));
        return at->second;
    }

    const Listing& Key(HKEY root, REGSAM view, const std::wstring& path) {
        const std::wstring id = std::to_wstring(reinterpret_cast<std::uintptr_t>(root)) + L"|" +
                                std::to_wstring(view) + L"|" + ufc::Folded(path);
        auto [at, added] = keys.try_emplace(id);
        if (!added) return at->second;
        ufc::unique_hkey key;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
            return at->second;
        at->second.exists = true;
        wchar_t name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            const LSTATUS status =
                RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) break;
            at->second.entries.push_back({std::wstring(name, length), true, true});
        }
        return at->second;
    }
};

namespace {

// The entries of listing that a part names: a wildcard part stands for
// walkable folders (and, with files, files); a literal part for the entry
// of that name, dot-named or not.
template <typename Take>
void Match(const Listing& listing, const std::wstring& part, bool files, Take take) {
    const bool wildcard = HasWildcard(part);
    for (const Entry& entry : listing.entries) {
        if (!(entry.folder ? !wildcard || entry.walkable : files)) continue;
        if (wildcard ? PartMatches(part, entry.name) : ufc::SameFolded(entry.name, part))
            take(entry);
    }
}

}  // namespace

RuleProbe::RuleProbe() : memory_(std::make_unique<Memory>()) {}
RuleProbe::~RuleProbe() = default;

std::vector<std::wstring> RuleProbe::ExpandFolders(const std::wstring& root,
                                                   const std::wstring& below) {
    if (root.empty() || !FitsPath(root + L"\\")) return {};
    // The root itself may be reached through a link (a moved profile).
    std::vector<std::wstring> folders;
    if (memory_->Folder(root + L"\\").exists) folders.push_back(root + L"\\");
    for (const std::wstring& part : SplitParts(below)) {
        std::vector<std::wstring> next;
        for (const std::wstring& prefix : folders)
            Match(memory_->Folder(prefix), part, false, [&](const Entry& entry) {
                const std::wstring child = prefix + entry.name + L"\\";
                if (FitsPath(child)) next.push_back(child);
            });
        folders.swap(next);
    }
    return folders;
}

std::vector<std::wstring> RuleProbe::ExpandFiles(const std::wstring& root,
                                                 const std::wstring& below) {
    const size_t slash = below.find_last_of(L'\\');
    const std::wstring last = slash == std::wstring::npos ? below : below.substr(slash + 1);
    std::vector<std::wstring> files;
    for (const std::wstring& prefix :
         ExpandFolders(root, slash == std::wstring::npos ? L"" : below.substr(0, slash)))
        Match(memory_->Folder(prefix), last, true, [&](const Entry& entry) {
            if (!entry.folder) files.push_back(prefix + entry.name);
        });
    return files;
}

bool RuleProbe::PatternExists(const std::wstring& root, const std::wstring& below) {
    const size_t slash = below.find_last_of(L'\\');
    const std::wstring last = slash == std::wstring::npos ? below : below.substr(slash + 1);
    bool found = false;
    for (const std::wstring& prefix :
         ExpandFolders(root, slash == std::wstring::npos ? L"" : below.substr(0, slash)))
        Match(memory_->Folder(prefix), last, true, [&](const Entry&) { found = true; });
    return found;
}

bool RuleProbe::RegistryKeyExists(const std::wstring& key) {
    static const struct {
        const wchar_t* shortName;
        const wchar_t* longName;
        HKEY root;
    } kRoots[] = {
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKU", L"HKEY_USERS", HKEY_USERS},
    };
    const std::vector<std::wstring> parts = SplitParts(key);
    if (parts.empty()) return false;
    for (const auto& root : kRoots) {
        if (!ufc::SameFolded(parts[0], root.shortName) && !ufc::SameFolded(parts[0], root.longName))
            continue;
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            // Level by level: most keys asked for are missing near the top.
            std::wstring path;
            bool found = memory_->Key(root.root, view, path).exists;
            for (size_t i = 1; i < parts.size() && found; ++i) {
                found = false;
                for (const Entry& entry : memory_->Key(root.root, view, path).entries)
                    found = found || ufc::SameFolded(entry.name, parts[i]);
                path += (path.empty() ? L"" : L"\\") + parts[i];
            }
            if (found) return true;
        }
    }
    return false;
}

bool RuleProbe::ProcessRuns(const std::vector<std::wstring>& names) {
    if (!memory_->haveProcesses) {
        memory_->haveProcesses = true;
        ufc::unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = snapshot && Process32FirstW(snapshot.get(), &entry); more;
             more = Process32NextW(snapshot.get(), &entry))
            memory_->processes.insert(ufc::Folded(entry.szExeFile));
    }
    for (const std::wstring& name : names)
        if (memory_->processes.count(ufc::Folded(name))) return true;
    return false;
}

}  // namespace host
