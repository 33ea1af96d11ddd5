// A rule's clean: exactly the listed files deleted by handle, each asked
// of the guard again, and the folders the clean emptied removed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "items/selection.h"
#include "rules/guard.h"

namespace host {

struct RuleCleanResult {
    CleanTotals totals;
    std::uint64_t inUse = 0;    // not removed: another program holds them open
    std::uint64_t changed = 0;  // not removed: rewritten or replaced since the scan
    std::uint64_t foldersRemoved = 0;
    GuardCounts stoppedByGuard;  // selected files the guard kept
    bool stopped = false;
};

// The folder that holds folder (both ending in a backslash); empty for a
// drive's root.
std::wstring ParentFolder(const std::wstring& folder);

// Removes each folder of folders (each ending in a backslash, deepest
// first) that a clean emptied: it held a file the clean removed
// (removedFrom) or a folder that went before it, and is empty now. By
// handle, never through a link below the roots, never a root itself; an
// empty folder that was empty before stays. The number removed.
std::uint64_t RemoveEmptiedFolders(const std::vector<std::wstring>& folders,
                                   const std::vector<std::wstring>& removedFrom,
                                   const std::vector<std::wstring>& roots);

// Deletes exactly the files of the selected items of range, those of skip
// (sorted indices, null: none) aside: by handle, never a folder, never
// through a link below the rule roots, read-only ones too. Each item's path
// and identity are read straight from the store: it is asked of the guard
// (with the rule's context) just before, and deleted only while the handle
// shows what the scan listed (its size, last write and, when the listing
// gave one, the tag of its file id); a file changed since is left and
// counted apart. Then, unless stopped (stop is tested before every file),
// each folder of emptiedFolders (a scan's, deepest first) that this clean
// emptied goes: one that held a file the clean removed, or a folder that
// went before it, when it is empty now and still a real folder. outcomes,
// when given, is indexed like the store: each item handed over gets
// Removed or the reason it is still there.
void CleanRuleItems(const ItemStore& store, ItemRange range, const std::vector<std::uint32_t>* skip,
                    const std::vector<std::wstring>& emptiedFolders, const GuardContext& guard,
                    IScanProgress* progress, const std::atomic<bool>* stop, RuleCleanResult* result,
                    std::vector<ItemOutcome>* outcomes);

}  // namespace host
