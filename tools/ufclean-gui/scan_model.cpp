#include "scan_model.h"

#include "keep_list.h"
#include "selection.h"
#include "text_format.h"

namespace gui {

void ScanModel::SetOlderThan(std::uint32_t days) {
    olderThanDays_ = days;
    ageReason_ = L"written in the last " + std::to_wstring(days) + L" day(s)";
}

void ScanModel::Clear() {
    runs_.clear();
    protected_.clear();
    cleanSum_ = {};
}

CategoryRun& ScanModel::Add(CategoryRun run) {
    runs_.push_back(std::move(run));
    CategoryRun& added = runs_.back();
    const FILETIME youngAfter = host::AgeLimit(olderThanDays_);
    for (FoundItem& item : added.items) {
        const int rule = host::DeselectKept(host::DefaultKeepRules(), &item);
        if (rule >= 0)
            protected_[&item] = rule;
        else if (olderThanDays_ && host::DeselectYoungerThan(youngAfter, &item))
            protected_[&item] = kKeptForAge;
    }
    return added;
}

const wchar_t* ScanModel::ProtectionReason(const FoundItem* item) const {
    auto found = protected_.find(item);
    if (found == protected_.end()) return nullptr;
    if (found->second == kKeptForAge) return ageReason_.c_str();
    return host::DefaultKeepRules()[static_cast<size_t>(found->second)].reason.c_str();
}

const FoundItem* ScanModel::HeldBinItem() const {
    for (const CategoryRun& run : runs_)
        if (run.number == kCategoryRecycleBin)
            for (const FoundItem& item : run.items)
                if (!item.selected) return &item;
    return nullptr;
}

Sums ScanModel::Of(const CategoryRun& run) {
    Sums sums;
    for (const FoundItem& item : run.items) {
        ++sums.count;
        sums.bytes += item.size;
        if (item.selected) {
            ++sums.selectedCount;
            sums.selectedBytes += item.size;
        }
    }
    return sums;
}

Sums ScanModel::Total() const {
    Sums total;
    for (const CategoryRun& run : runs_) {
        const Sums sums = Of(run);
        total.count += sums.count;
        total.bytes += sums.bytes;
        total.selectedCount += sums.selectedCount;
        total.selectedBytes += sums.selectedBytes;
    }
    total.protectedCount = protected_.size();
    return total;
}

std::unique_ptr<CleanJob> ScanModel::MakeCleanJob(const std::set<std::uint32_t>& checked) const {
    auto job = std::make_unique<CleanJob>();
    for (const CategoryRun& run : runs_) {
        job->runs.push_back(run);
        CategoryRun& copy = job->runs.back();
        if (!checked.count(run.number)) {
            copy.skipReason = L"category not checked";
        } else if (run.number == kCategoryRecycleBin) {
            for (const FoundItem& item : copy.items)
                if (!item.selected && copy.skipReason.empty())
                    copy.skipReason = host::WholeBinReason(host::ItemPath(item) + L" is unchecked");
        }
    }
    std::vector<ResultList*> lists;
    for (CategoryRun& run : job->runs)
        if (run.number != kCategoryRecycleBin && run.skipReason.empty())
            lists.push_back(&run.items);
    host::DeselectRepeats(lists);
    return job;
}

void ScanModel::TakeCleanResult(const CleanJob& job) {
    for (size_t i = 0; i < runs_.size() && i < job.runs.size(); ++i) {
        CategoryRun& run = runs_[i];
        const CategoryRun& done = job.runs[i];
        run.cleaned = done.cleaned;
        run.cleanResult = done.cleanResult;
        run.cleanTotals = done.cleanTotals;
        run.skipReason = done.skipReason;
        cleanSum_.removed += done.cleanTotals.removed;
        cleanSum_.failed += done.cleanTotals.failed;
        cleanSum_.bytesFreed += done.cleanTotals.bytesFreed;
        if (!done.cleaned || done.cleanResult == 2) continue;
        // The bin goes whole; other categories lose what was selected.
        const bool whole = run.number == kCategoryRecycleBin && done.cleanResult == 1;
        for (auto item = run.items.begin(); item != run.items.end();) {
            if (whole || item->selected) {
                protected_.erase(&*item);
                item = run.items.erase(item);
            } else {
                ++item;
            }
        }
    }
}

}  // namespace gui
