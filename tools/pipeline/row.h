// A row of a run: a category of the module, a clean-only action, or a
// cleaning rule applied to one application. Both hosts scan, select and
// clean rows; a row carries what it is, whether the person chose it by
// itself, and what its scan, the selection and its clean gave.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/keep_list.h"
#include "rules/guard.h"
#include "rules/model.h"
#include "rules/rule_edit.h"

namespace host {

enum class RowKind : std::uint8_t { Category, Action, Rule };

struct Row {
    // What it is: a category or action of the module (category), or a rule
    // target.
    RowKind kind = RowKind::Category;
    std::uint32_t category = kCategoryUnset;
    RuleTarget target;
    // The person chose it by itself: a category named by its number, a rule
    // named by its id, a rule row checked in the desktop host (not on by
    // default, not by a group, not by 'all'). The guard (user libraries with
    // an age limit), the credentials group and the keep list's exceptions
    // read it.
    bool chosenById = false;

    // What its scan found.
    bool reached = false;              // the scan got to it (a stop ends a scan early)
    std::uint32_t scanResult = 0;      // 1 done, 2 stopped, 0 failed
    std::uint32_t first = 0, end = 0;  // its items: [first, end) of the store
    ScanTotals totals;                 // as the scan counted them
    std::size_t folders = 0;           // a rule's folders on this machine
    bool running = false;              // a rule's application runs: some files may be held
    // A rule's folders to remove once the clean has emptied them, deepest
    // first.
    std::vector<std::wstring> emptiedFolders;
    // Files a category's scan met and left out: in use or not writable.
    std::uint64_t heldAtScan = 0;
    GuardCounts stoppedByGuard;  // files the guard kept out, by the scan and the clean
    std::wstring refusal;        // why it is never cleaned here (it needs an elevated host)
    // A rule that edits databases: its edits, one per profile (those that
    // would remove something, or are refused, are its items); the clean
    // records what each did.
    bool editsDatabases = false;
    std::vector<RowEdit> edits;

    // What the selection kept.
    std::uint64_t kept = 0;        // by a keep rule
    std::uint64_t keptForAge = 0;  // by the age limit

    // What the clean did.
    std::wstring skipReason;  // why the clean leaves it alone
    bool cleaned = false;
    std::uint32_t cleanResult = 0;  // 1 done, 2 stopped, 0 failed
    CleanTotals cleanTotals;
    std::uint64_t inUse = 0;    // not removed: held open by another program
    std::uint64_t changed = 0;  // not removed: rewritten or replaced since the scan
    std::uint64_t foldersRemoved = 0;
    // Of those removed: held for undo (their bytes are not in bytesFreed).
    std::uint64_t held = 0, heldBytes = 0;

    bool IsRule() const { return kind == RowKind::Rule; }
    bool IsAction() const { return kind == RowKind::Action; }
    // Its items are edits of databases, not files.
    bool Edits() const { return editsDatabases; }
    // The edit of the item at path; null when there is none.
    const RowEdit* EditOf(const std::wstring& path) const;
    // A row a report shows: one the scan reached, but no rule whose
    // application or folders are not on this machine.
    bool Shown() const { return reached && !(IsRule() && folders == 0); }
    // "Windows temporary files", "Chrome: cache".
    std::wstring Name() const;
    // What the keep list's exceptions know of it (read when chosenById).
    ChosenByItself Chosen() const;
};

// A row of the module's category (an action when the table says so).
Row CategoryRow(std::uint32_t number, bool chosenById);
Row RuleRow(const RuleTarget& target, bool chosenById);

}  // namespace host
