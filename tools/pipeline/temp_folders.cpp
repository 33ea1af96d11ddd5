#include "pipeline/temp_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "fs/fold.h"
#include "rules/places.h"
#include "rules/rule_clean.h"

namespace host {

namespace {

// The temporary places: a known folder (or the shell's folder of an id)
// and the part below it, and the module's category that scans the place
// (kCategoryUnset: one that only rules reach).
struct TempPlace {
    std::uint32_t category;
    KnownFolder folder;
    const GUID* shellId;   // when set, in place of folder
    const wchar_t* below;  // empty: the folder itself
};

const TempPlace kTempPlaces[] = {
    {kCategoryWindowsTemp, KnownFolder::Windows, nullptr, L"Temp"},
    {kCategoryInternetTempFiles, KnownFolder::Windows, &FOLDERID_InternetCache, L""},
    {kCategoryUnset, KnownFolder::UserTemp, nullptr, L""},
};

std::wstring RootOf(const TempPlace& place) {
    std::wstring root =
        place.shellId ? ShellFolderPath(*place.shellId) : KnownFolderPath(place.folder);
    if (root.empty()) return root;
    if (root.back() != L'\\') root += L'\\';
    if (*place.below) root += std::wstring(place.below) + L'\\';
    return root;
}

// A rule's key lies in the place: the same known folder, and its path is
// the place's part or below it.
bool KeyIn(const RuleKey& key, const TempPlace& place) {
    if (place.shellId || key.root != place.folder) return false;
    const std::wstring below = ufc::Folded(place.below);
    if (below.empty()) return true;
    return ufc::StartsFolded(key.path, below) &&
           (key.path.size() == below.size() || key.path[below.size()] == L'\\');
}

std::uint64_t RemoveBelow(const std::wstring& root, const ItemStore& store, std::uint32_t first,
                          std::uint32_t end, const std::vector<ItemOutcome>& outcomes) {
    const std::wstring foldedRoot = ufc::Folded(root);
    std::set<std::wstring> below;
    std::vector<std::wstring> removedFrom;
    for (std::uint32_t i = first; i < end && i < outcomes.size(); ++i) {
        if (outcomes[i] != ItemOutcome::Removed) continue;
        std::wstring folder(store.Folder(i));
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        if (folder.size() <= root.size() || !ufc::StartsFolded(folder, foldedRoot)) continue;
        if (removedFrom.empty() || removedFrom.back() != folder) removedFrom.push_back(folder);
        for (std::wstring up = folder; up.size() > root.size(); up = ParentFolder(up))
            below.insert(up);
    }
    // A folder is longer than the one that holds it: longest first is
    // deepest first.
    std::vector<std::wstring> folders(below.begin(), below.end());
    std::stable_sort(
        folders.begin(), folders.end(),
        [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    return RemoveEmptiedFolders(folders, removedFrom, {root});
}

}  // namespace

std::vector<std::wstring> TempRootsOf(const Row& row) {
    std::vector<std::wstring> roots;
    for (const TempPlace& place : kTempPlaces) {
        bool in = false;
        if (row.IsRule() && row.target.rule)
            for (const RuleKey& key : row.target.rule->keys) in = in || KeyIn(key, place);
        else
            in = !row.IsRule() && !row.IsAction() && row.category == place.category;
        std::wstring root = in ? RootOf(place) : std::wstring();
        if (!root.empty()) roots.push_back(std::move(root));
    }
    return roots;
}

std::uint64_t RemoveEmptiedTempFolders(const Row& row, const ItemStore& store,
                                       const std::vector<ItemOutcome>& outcomes) {
    std::uint64_t removed = 0;
    for (const std::wstring& root : TempRootsOf(row))
        removed += RemoveBelow(root, store, row.first, row.end, outcomes);
    return removed;
}

}  // namespace host
