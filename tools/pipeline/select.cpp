#include "pipeline/select.h"

#include <set>

#include "fs/fold.h"
#include "pipeline/recycled.h"

namespace host {

std::vector<KeepRule> KeepRulesOf(const SelectOptions& options) {
    std::vector<KeepRule> rules;
    if (options.defaultKeep) rules = DefaultKeepRules();
    for (const std::wstring& glob : options.keeps) rules.push_back({glob, L"--keep"});
    return rules;
}

std::vector<ItemRange> FileRanges(const std::vector<Row>& rows) {
    std::vector<ItemRange> ranges;
    for (const Row& row : rows)
        if (row.reached && row.category != kCategoryRecycleBin && !row.Edits() &&
            row.end > row.first)
            ranges.push_back({row.first, row.end});
    return ranges;
}

void SelectRow(const std::vector<KeepRule>& keepRules, std::uint32_t olderThanDays,
               ItemStore* store, Row* row, std::vector<std::uint64_t>* keepCounts) {
    // An edit deletes no file: the keep list and the age limit are the
    // edit's own business (bookmarks stay; the kept sites' cookies stay).
    if (!row->reached || row->Edits()) return;
    const ChosenByItself chosen = row->Chosen();
    row->kept += ApplyKeepRules(keepRules, store, row->first, row->end, keepCounts,
                                row->chosenById ? &chosen : nullptr);
    // A recycled item's age is the day it was deleted.
    if (row->category == kCategoryRecycleBin && olderThanDays)
        row->keptForAge +=
            AgeRecycledItems(olderThanDays, RecycledDates(), store, row->first, row->end);
    else
        row->keptForAge += ApplyAgeLimit(olderThanDays, store, row->first, row->end);
}

void DeselectRepeats(const std::vector<Row>& rows, ItemStore* store) {
    // Category 1 also lists the Firefox caches, category 6 the index files
    // of 1 and 2, a rule a file a category lists: each is removed once.
    // A row alone repeats no other row's file.
    const std::vector<ItemRange> ranges = FileRanges(rows);
    if (ranges.size() < 2) return;
    for (const auto& repeat : FindRepeats(*store, ranges)) store->SetSelected(repeat.first, false);
}

void DeselectEditedFiles(std::vector<Row>* rows, ItemStore* store) {
    std::set<std::wstring> edited;
    for (const Row& row : *rows)
        for (const RowEdit& edit : row.edits)
            // A database the edit refuses as damaged or unknown is no more
            // kept than it was before there were edits.
            if (edit.refused.empty() || edit.inUse)
                for (const std::wstring& file : EditFiles(edit)) edited.insert(ufc::Folded(file));
    if (edited.empty()) return;
    for (Row& row : *rows) {
        if (!row.reached || row.Edits()) continue;
        for (std::uint32_t i = row.first; i < row.end; ++i)
            if (store->Selected(i) && edited.count(ufc::Folded(store->Path(i)))) {
                store->SetSelected(i, false);
                row.kept += 1;
            }
    }
}

void SelectItems(const std::vector<KeepRule>& keepRules, std::uint32_t olderThanDays,
                 ItemStore* store, std::vector<Row>* rows, std::vector<std::uint64_t>* keepCounts) {
    keepCounts->assign(keepRules.size(), 0);
    for (Row& row : *rows) SelectRow(keepRules, olderThanDays, store, &row, keepCounts);
    DeselectRepeats(*rows, store);
    DeselectEditedFiles(rows, store);
}

}  // namespace host
