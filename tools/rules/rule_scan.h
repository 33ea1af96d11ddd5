// Running a rule's scan: its folders resolved below the known folders (or
// each profile of its application), its files listed on the link-safe
// folder walk without opening any of them, each that passes the guard.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "rules/guard.h"
#include "rules/model.h"
#include "rules/probe.h"
#include "rules/rule_edit.h"

namespace host {

// A folder a target takes files from (ending in a backslash) and the key
// that named it.
struct RuleFolder {
    std::wstring path;
    const RuleKey* key = nullptr;
};

// The target's folders on this machine: "*" parts expanded over real
// folders, no part a link, nothing a protected folder as a whole, names
// that do not fit a 260-unit path left out. A probe, when given, is shared
// by the targets of one run (see RuleProbe).
std::vector<RuleFolder> ResolveRuleFolders(const RuleTarget& target, RuleProbe* probe = nullptr);

// Whether the target's application is on this machine (its detection, or
// one of its folders).
bool IsDetected(const RuleTarget& target, RuleProbe* probe = nullptr);

// What a rule's scan found beside its items.
struct RuleScanResult {
    std::uint32_t first = 0, end = 0;  // the items: [first, end) of the store
    ScanTotals totals;
    std::size_t folders = 0;  // folders the rule named for this target
    bool running = false;     // the application runs: some files may be held
    // Folders to remove once the clean has emptied them (a key's
    // removeSelf), deepest first.
    std::vector<std::wstring> emptiedFolders;
    GuardCounts stoppedByGuard;  // files the rule reached that the guard kept out
    bool stopped = false;
    // A rule that edits databases: an edit per profile, whether or not it
    // is an item.
    bool editsDatabases = false;
    std::vector<RowEdit> edits;
};

// Whether the running application holds its lock file.
bool LockHeld(const Application& application, RuleProbe& probe);

// Lists the target's files into the store, straight from their directory
// entries (category kCategoryUnset, run 0), each that passes the guard
// (GuardContextOf the target and chosenById). Progress is reported per
// file met (category kCategoryUnset); stop, when given, is tested before
// every entry. Files are not opened: whether the application runs is asked
// once. One probe serves all targets of a scan. A rule that edits
// databases (EditsDatabases with keptSites, null: none kept) lists its
// previewed edits instead of files (PreviewEdits).
void ScanRule(const RuleTarget& target, bool chosenById, IScanProgress* progress,
              const std::atomic<bool>* stop, ItemStore* store, RuleScanResult* result,
              RuleProbe* probe = nullptr, const std::vector<std::string>* keptSites = nullptr);

}  // namespace host
