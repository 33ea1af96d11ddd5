// What the window holds between a scan and a clean: the runs per category,
// which items the built-in keep list protects, the sums shown, and the copy
// a clean works on.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "worker.h"

namespace gui {

struct Sums {
    std::uint64_t count = 0, bytes = 0;
    std::uint64_t selectedCount = 0, selectedBytes = 0;
    std::uint64_t protectedCount = 0;
};

class ScanModel {
public:
    // Items written in the last `days` days start deselected (0: none).
    void SetOlderThan(std::uint32_t days);
    void Clear();
    // Takes a scanned category; items the built-in keep list matches, and
    // those too young, start deselected and are remembered as protected.
    CategoryRun& Add(CategoryRun run);
    std::vector<CategoryRun>& Runs() { return runs_; }
    const std::vector<CategoryRun>& Runs() const { return runs_; }
    // The keep rule's reason, or null when the item is not protected.
    const wchar_t* ProtectionReason(const FoundItem* item) const;
    // The first recycle-bin item left unchecked: it keeps the whole bin.
    const FoundItem* HeldBinItem() const;
    Sums Total() const;
    static Sums Of(const CategoryRun& run);

    // A copy of the runs of the checked categories, ready for the worker:
    // the bin is skipped when one of its items stays, repeated paths are
    // removed once.
    std::unique_ptr<CleanJob> MakeCleanJob(const std::set<std::uint32_t>& checked) const;
    // Records what the clean did and drops the items it took from the list.
    void TakeCleanResult(const CleanJob& job);
    const CleanTotals& CleanSum() const { return cleanSum_; }

private:
    std::vector<CategoryRun> runs_;
    // item -> keep rule, or kKeptForAge
    std::map<const FoundItem*, int> protected_;
    static constexpr int kKeptForAge = -1;
    std::uint32_t olderThanDays_ = 0;
    std::wstring ageReason_;
    CleanTotals cleanSum_;
};

}  // namespace gui
