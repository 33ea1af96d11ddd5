// What a scan or clean did per category, and how it is shown: the summary
// table, the item details and the JSON report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "items/keep_list.h"
#include "rules/model.h"
#include "rules/guard.h"

namespace ufclean {

struct CategoryRun {
    std::uint32_t number = 0;
    bool action = false;  // a clean-only step: nothing was scanned
    std::uint32_t scanResult = 0;
    // The items: [first, end) of the command's store.
    host::ItemStore* store = nullptr;
    std::uint32_t first = 0, end = 0;
    ScanTotals totals;             // this category's own totals
    std::uint64_t kept = 0;        // deselected by a keep rule
    std::uint64_t keptForAge = 0;  // deselected by --older-than
    bool cleaned = false;
    std::uint32_t cleanResult = 0;
    CleanTotals cleanTotals;
    std::wstring skipReason;  // set when the clean left the category alone
    // A cleaning rule's run: number is kCategoryUnset, target names the
    // rule and the application; running: the scan found the application
    // running; inUse counts the files the clean found held open.
    bool isRule = false;
    host::RuleTarget target;
    bool running = false;
    std::vector<std::wstring> emptiedFolders;  // removed after their files
    std::uint64_t inUse = 0;
    std::uint64_t changed = 0;  // left by the clean: changed since the scan
    std::uint64_t foldersRemoved = 0;
    host::GuardCounts stoppedByGuard;  // by the scan and the clean

    // Calls fn with each item rebuilt as the module gave it.
    template <typename Fn>
    void ForEachItem(Fn fn) const {
        FoundItem item;
        for (std::uint32_t i = first; i < end; ++i) {
            store->Rebuild(i, &item);
            fn(item);
        }
    }
};

// Moves a scanned list into the store as the run's items.
void AddItems(host::ItemStore* store, ResultList* items, CategoryRun* run);

struct KeepUse {
    host::KeepRule rule;
    std::uint64_t kept = 0;
};

// The listings of the runs' files (the recycle bin's items are no files of
// the disk) that repeat an earlier listing's path, as host::FindRepeats
// gives them: among the selected items, or among all of them.
std::vector<std::pair<std::uint32_t, std::uint32_t>> RepeatedListings(
    const std::vector<CategoryRun>& runs, bool selectedOnly);

// Each row with its own figures; the total counts a file that two rows list
// once, and says how many such files there were.
void PrintScanSummary(const std::vector<CategoryRun>& runs);
void PrintDetails(const std::vector<CategoryRun>& runs);
// What the keep rules and --older-than kept.
void PrintKeepUse(const std::vector<KeepUse>& rules, const std::vector<CategoryRun>& runs,
                  std::uint32_t olderThanDays);
void PrintCleanSummary(const std::vector<CategoryRun>& runs);

// Writes the JSON report to path ("-": stdout). False with a message on
// stderr when the file cannot be written.
bool WriteJsonReport(const std::wstring& path, const std::wstring& command,
                     const std::vector<CategoryRun>& runs, const std::vector<KeepUse>& rules,
                     bool stopped);

}  // namespace ufclean
