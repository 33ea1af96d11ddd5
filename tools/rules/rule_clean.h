// A rule's clean: exactly the listed files deleted by handle, each asked
// of the guard again, and the folders the clean emptied removed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "rules/guard.h"

namespace host {

struct RuleCleanResult {
    CleanTotals totals;
    std::uint64_t inUse = 0;    // not removed: another program holds them open
    std::uint64_t changed = 0;  // not removed: rewritten or replaced since the scan
    std::uint64_t foldersRemoved = 0;
    GuardCounts stoppedByGuard;  // selected files the guard kept
    // The folders of the files removed (as the items name them), in order.
    std::vector<std::wstring> removedFrom;
    bool stopped = false;
};

// Deletes exactly the selected items' files by handle (never a folder, never
// through a link below the rule roots), read-only ones too; each asked of
// the guard (with the rule's context) just before, and deleted only while
// the handle shows what the scan listed: the item's size and last write
// and, beside each item, the tag of its file id (idTags, 0 or missing:
// none). A file changed since is left and counted apart.
void CleanRuleItems(const ResultList& items, const std::vector<std::uint32_t>& idTags,
                    const GuardContext& guard, IScanProgress* progress,
                    const std::atomic<bool>* stop, RuleCleanResult* result);

// Removes each folder of a scan's emptiedFolders (deepest first) that this
// clean emptied: it held a file the clean removed (removedFrom) or a folder
// that went before it, it is empty now and still a real folder.
void RemoveEmptiedFolders(const std::vector<std::wstring>& folders,
                          const std::vector<std::wstring>& removedFrom, RuleCleanResult* result);

}  // namespace host
