#include "pipeline/temp_folders.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "fs/fold.h"
#include "rules/rule_clean.h"

namespace host {

std::uint64_t RemoveEmptiedTempFolders(const std::wstring& root, const ItemStore& store,
                                       std::uint32_t first, std::uint32_t end,
                                       const std::vector<ItemOutcome>& outcomes) {
    if (root.empty() || root.back() != L'\\') return 0;
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

std::wstring WindowsTempFolder() {
    wchar_t windows[MAX_PATH];
    const UINT units = GetWindowsDirectoryW(windows, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return L"";
    std::wstring folder(windows, units);
    if (folder.back() != L'\\') folder += L'\\';
    return folder + L"Temp\\";
}

}  // namespace host
