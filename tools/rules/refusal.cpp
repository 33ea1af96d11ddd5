// The load-time check of a rule's keys: the plain cases of what the guard
// would stop file by file, refused early with a clear reason.
#include "rules/refusal.h"

#include <algorithm>
#include <iterator>

#include "fs/fold.h"
#include "rules/guard_places.h"
#include "rules/places.h"
#include "rules/model.h"

namespace host {

namespace {

// What no key takes as a whole, and what it may take with an age limit.
struct Guarded {
    KnownFolder folder;
    const wchar_t* what;
    bool withAge;  // allowed when the rule has an age limit
};

const Guarded kGuarded[] = {
    {KnownFolder::Windows, L"the Windows folder", false},
    {KnownFolder::ProgramFiles, L"Program Files", false},
    {KnownFolder::ProgramFilesX86, L"Program Files (x86)", false},
    {KnownFolder::CommonFiles, L"Common Files", false},
    {KnownFolder::CommonFilesX86, L"Common Files (x86)", false},
    {KnownFolder::Profile, L"the user's profile", false},
    {KnownFolder::LocalAppData, L"the local app data folder", false},
    {KnownFolder::RoamingAppData, L"the roaming app data folder", false},
    {KnownFolder::LocalAppDataLow, L"the low app data folder", false},
    {KnownFolder::ProgramData, L"ProgramData", false},
    {KnownFolder::Public, L"the public profile", false},
    {KnownFolder::Documents, L"the Documents library", true},
    {KnownFolder::Pictures, L"the Pictures library", true},
    {KnownFolder::Music, L"the Music library", true},
    {KnownFolder::Videos, L"the Videos library", true},
    {KnownFolder::Desktop, L"the Desktop", true},
    {KnownFolder::Downloads, L"the Downloads folder", true},
};

// A part of a path that matches every name ("*", "*.*", "?*", "**"): a
// key's last parts of it mean "each folder there", the folder as a whole.
bool IsEveryName(std::wstring_view part) {
    return part.find(L'*') != std::wstring_view::npos &&
           part.find_first_not_of(L"*?.") == std::wstring_view::npos;
}

bool TakesEveryFile(const std::vector<std::wstring>& patterns) {
    return patterns.empty() || std::any_of(patterns.begin(), patterns.end(), IsEveryName);
}

bool NamesExactFiles(const std::vector<std::wstring>& patterns) {
    return !patterns.empty() && std::none_of(patterns.begin(), patterns.end(), HasWildcard);
}

// Whether the pattern's first parts name the folder itself, not a pattern
// that may match it.
bool LiterallyBelow(const std::vector<std::wstring>& parts,
                    const std::vector<std::wstring>& folder) {
    if (folder.empty() || parts.size() < folder.size()) return false;
    for (size_t i = 0; i < folder.size(); ++i)
        if (HasWildcard(parts[i]) || !ufc::SameFolded(parts[i], folder[i])) return false;
    return true;
}

}  // namespace

std::wstring ProtectedReach(const std::wstring& folderPattern,
                            const std::vector<std::wstring>& patterns, bool recursive,
                            std::uint32_t olderThanDays) {
    static const std::vector<std::vector<std::wstring>> guardedParts = [] {
        std::vector<std::vector<std::wstring>> all;
        for (const Guarded& guarded : kGuarded)
            all.push_back(SplitParts(KnownFolderPath(guarded.folder)));
        return all;
    }();
    static const size_t deepest = [] {
        size_t most = 0;
        for (const std::vector<std::wstring>& folder : guardedParts)
            most = std::max(most, folder.size());
        return most;
    }();
    const std::vector<std::wstring>& windows = guardedParts[0];
    // Trailing every-name parts of a key that recurses or takes every file
    // take the folder above as a whole.
    const bool wholeFolders = recursive || TakesEveryFile(patterns);
    // Most places lie deeper than every guarded folder and outside the
    // Windows folder: decided without a copy.
    size_t depth = 0, reach = 0;
    for (size_t start = 0; start < folderPattern.size();) {
        size_t end = folderPattern.find(L'\\', start);
        if (end == std::wstring::npos) end = folderPattern.size();
        if (end > start) {
            ++depth;
            if (!wholeFolders ||
                !IsEveryName(std::wstring_view(folderPattern).substr(start, end - start)))
                reach = depth;
        }
        start = end + 1;
    }
    std::vector<std::wstring> parts = SplitParts(folderPattern);
    const bool inWindows = LiterallyBelow(parts, windows);
    if (reach > deepest && !inWindows) return {};
    size_t popped = 0;
    for (; wholeFolders && !parts.empty() && IsEveryName(parts.back()); ++popped) parts.pop_back();
    // It takes the files of the folders below what is left, too.
    const bool below = recursive || popped > 0;
    if (parts.size() <= 1) return L"reaches a drive root";
    // Named files directly in a protected folder: the guard passes exactly them.
    const bool exactHere = !below && NamesExactFiles(patterns);
    for (size_t g = 0; g < std::size(kGuarded); ++g) {
        const Guarded& guarded = kGuarded[g];
        if (guarded.withAge && olderThanDays > 0) continue;
        const std::vector<std::wstring>& folder = guardedParts[g];
        if (folder.empty() || parts.size() > folder.size()) continue;
        if (parts.size() < folder.size() ? !below : exactHere) continue;
        bool matches = true;
        for (size_t i = 0; i < parts.size() && matches; ++i)
            matches = PartMatches(parts[i], folder[i]);
        if (matches)
            return L"reaches " + std::wstring(guarded.what) + L" as a whole" +
                   (guarded.withAge ? L" without an age limit" : L"");
    }
    if (inWindows && !ReachesDisposablePlace(
                         std::vector<std::wstring>(parts.begin() + windows.size(), parts.end()),
                         below, patterns))
        return L"reaches the Windows folder outside the places Windows keeps as disposable";
    return {};
}

std::wstring FamilyReach(const std::wstring& path, const std::vector<std::wstring>& patterns,
                         bool recursive) {
    const std::vector<std::wstring> parts = SplitParts(path);
    if (!std::all_of(parts.begin(), parts.end(), IsEveryName)) return {};
    if (!recursive && NamesExactFiles(patterns)) return {};
    return L"would take each whole profile (or user data folder): name a folder or files in it";
}

std::wstring KeyRefusal(const CleaningRule& rule, const RuleKey& key) {
    const bool recursive = key.recurse || key.removeSelf;
    // A family rule lies below its applications' own folders: only a path
    // that takes each whole profile is refused.
    if (rule.family != RuleFamily::None) return FamilyReach(key.path, key.patterns, recursive);
    return ProtectedReach(JoinPlace(KnownFolderPath(key.root), key.path), key.patterns, recursive,
                          rule.olderThanDays);
}

std::wstring RuleRefusal(const CleaningRule& rule) {
    for (const RuleKey& key : rule.keys) {
        const std::wstring reason = KeyRefusal(rule, key);
        if (reason.empty()) continue;
        if (rule.family != RuleFamily::None) return L"the path \"" + key.path + L"\" " + reason;
        return L"the key " + PlaceText({key.root, key.path}) + L" " + reason;
    }
    return {};
}

}  // namespace host
