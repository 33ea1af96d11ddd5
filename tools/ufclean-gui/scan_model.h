// What the window holds between a scan and a clean: each category's figures
// and the range of its items in the compact store, which items the built-in
// keep list protects, the sums shown, and what a clean is handed.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "items/item_store.h"
#include "worker.h"
#include "rules/guard.h"

namespace gui {

struct Sums {
    std::uint64_t count = 0, bytes = 0;
    std::uint64_t selectedCount = 0, selectedBytes = 0;
    std::uint64_t protectedCount = 0;
};

// One scanned category or rule row; its items are [first, end) of the store.
struct RunInfo {
    std::uint32_t number = 0;
    bool action = false;
    std::uint32_t scanResult = 0;
    ScanTotals totals;
    std::uint64_t inUse = 0;
    std::uint64_t changed = 0;  // left by the clean: changed since the scan
    std::uint32_t first = 0, end = 0;
    Sums sums;
    bool cleaned = false;
    std::uint32_t cleanResult = 0;
    CleanTotals cleanTotals;
    std::wstring skipReason;  // why the clean left it alone
    // A rule row: its application runs, the folders its scan emptied (and
    // those its clean removed), and why its clean is always left out.
    bool running = false;
    std::vector<std::wstring> emptiedFolders;
    std::uint64_t foldersRemoved = 0;
    std::wstring refusal;
    host::GuardCounts stoppedByGuard;  // by the scan and the clean
};

class ScanModel {
public:
    // Items written in the last `days` days start deselected (0: none).
    void SetOlderThan(std::uint32_t days);
    void Clear();
    // Takes a scanned category's list (or a rule row's items) into the
    // store (the list is freed); items the built-in keep list matches, and
    // those too young, start deselected and protected.
    const RunInfo& Add(CategoryRun* run);
    const std::vector<RunInfo>& Runs() const { return runs_; }
    const host::ItemStore& Store() const { return store_; }
    const RunInfo& RunOf(std::uint32_t item) const { return runs_[store_.Run(item)]; }
    // False when the item already was so.
    bool SetSelected(std::uint32_t item, bool selected);
    // "protected: bookmarks", "protected: written in the last 7 day(s)", "failed: in use by another
    // program", or empty.
    std::wstring Note(std::uint32_t item) const;
    // The first recycle-bin item left unchecked: it keeps the whole bin.
    bool HeldBinItem(std::uint32_t* item) const;
    // The sums of all rows; a file that two rows list counts once (once
    // FindRepeatedFiles ran), checked when one of its listings is.
    Sums Total() const;
    // Finds the files that two rows list, for Total: once the scan is done
    // (the rows are complete), and again after a clean.
    void FindRepeatedFiles();
    // How many files Total counted once although two rows list them.
    std::uint64_t RepeatedFiles() const { return repeatedFiles_; }

    // The clean of the checked categories: the bin is skipped when one of
    // its items stays, a path listed twice is handed over once. The store
    // stays as it is until the job comes back.
    std::unique_ptr<CleanJob> MakeCleanJob(const std::set<std::uint32_t>& checked) const;
    // Records what the clean did: removed items leave the store, failed
    // ones keep their place with the reason.
    void TakeCleanResult(const CleanJob& job);
    const CleanTotals& CleanSum() const { return cleanSum_; }

private:
    void Recount();
    void CountItem(std::uint32_t i, Sums* sums) const;
    host::ItemStore store_;
    std::vector<RunInfo> runs_;
    std::uint32_t olderThanDays_ = 0;
    CleanTotals cleanSum_;
    // (repeat, first listing) of a file two rows list, by first listing.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> repeats_;
    std::uint64_t repeatedFiles_ = 0;
};

}  // namespace gui
