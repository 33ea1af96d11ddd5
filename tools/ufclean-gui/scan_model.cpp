#include "scan_model.h"

#include <algorithm>

#include "items/keep_list.h"
#include "rule_rows.h"
#include "items/selection.h"
#include "rules/model.h"

namespace gui {

void ScanModel::SetOlderThan(std::uint32_t days) {
    olderThanDays_ = days;
}

void ScanModel::Clear() {
    store_.Clear();
    runs_.clear();
    cleanSum_ = {};
    repeats_.clear();
    repeatedFiles_ = 0;
}

const RunInfo& ScanModel::Add(CategoryRun* run) {
    RunInfo& info = runs_.emplace_back();
    info.number = run->number;
    info.action = run->action;
    info.scanResult = run->scanResult;
    info.totals = run->totals;
    info.running = run->running;
    info.emptiedFolders = std::move(run->emptiedFolders);
    info.refusal = std::move(run->refusal);
    info.stoppedByGuard = run->stoppedByGuard;
    info.first = store_.Count();
    store_.Append(&run->items, static_cast<std::uint16_t>(runs_.size() - 1));
    store_.Append(run->found, static_cast<std::uint16_t>(runs_.size() - 1));
    info.end = store_.Count();
    // A rule row is checked by the person: one a keep rule lets through has
    // no group's box that checks it (ChosenOnlyById).
    const host::RuleTarget* target = RuleRowTarget(run->number);
    const host::ChosenByItself chosen{target ? std::wstring_view(target->rule->id) : L"", 0};
    host::ApplyKeepRules(host::DefaultKeepRules(), &store_, info.first, info.end, nullptr,
                         target ? &chosen : nullptr);
    host::ApplyAgeLimit(olderThanDays_, &store_, info.first, info.end);
    for (std::uint32_t i = info.first; i < info.end; ++i) CountItem(i, &info.sums);
    return info;
}

bool ScanModel::SetSelected(std::uint32_t item, bool selected) {
    if (store_.Selected(item) == selected) return false;
    store_.SetSelected(item, selected);
    Sums& sums = runs_[store_.Run(item)].sums;
    const std::uint64_t bytes = store_.Bytes(item);
    if (selected) {
        ++sums.selectedCount;
        sums.selectedBytes += bytes;
    } else {
        --sums.selectedCount;
        sums.selectedBytes -= bytes;
    }
    return true;
}

std::wstring ScanModel::Note(std::uint32_t item) const {
    const int keep = store_.Keep(item);
    if (keep == host::ItemStore::kKeptForAge)
        return L"protected: written in the last " + std::to_wstring(olderThanDays_) + L" day(s)";
    if (keep >= 0)
        return L"protected: " + host::DefaultKeepRules()[static_cast<size_t>(keep)].reason;
    const RunInfo& run = RunOf(item);
    switch (store_.Outcome(item)) {
        case host::ItemOutcome::InUse: {
            const host::RuleTarget* target = RuleRowTarget(run.number);
            return target ? L"failed: in use: " + target->InUseAdvice()
                          : L"failed: in use by another program";
        }
        case host::ItemOutcome::Denied:
            return L"failed: access denied";
        case host::ItemOutcome::Changed:
            return L"left: changed since the scan";
        case host::ItemOutcome::Remained:
            return run.number == kCategoryRecycleBin ? L"failed: the recycle bin was not emptied"
                                                     : L"failed: still there after the clean";
        default:
            return L"";
    }
}

bool ScanModel::HeldBinItem(std::uint32_t* item) const {
    for (const RunInfo& run : runs_) {
        if (run.number != kCategoryRecycleBin || run.sums.selectedCount == run.sums.count) continue;
        for (std::uint32_t i = run.first; i < run.end; ++i) {
            if (store_.Selected(i)) continue;
            *item = i;
            return true;
        }
    }
    return false;
}

Sums ScanModel::Total() const {
    Sums total;
    for (const RunInfo& run : runs_) {
        total.count += run.sums.count;
        total.bytes += run.sums.bytes;
        total.selectedCount += run.sums.selectedCount;
        total.selectedBytes += run.sums.selectedBytes;
        total.protectedCount += run.sums.protectedCount;
    }
    // Each further listing of a file leaves the found figures; it leaves the
    // checked (and protected) ones when an earlier listing counted there.
    std::uint32_t file = ~0u;
    bool checked = false, kept = false;
    for (const auto& [repeat, first] : repeats_) {
        if (first != file) {
            file = first;
            checked = store_.Selected(first);
            kept = store_.Kept(first);
        }
        const std::uint64_t bytes = store_.Bytes(repeat);
        --total.count;
        total.bytes -= bytes;
        if (store_.Selected(repeat) && checked) {
            --total.selectedCount;
            total.selectedBytes -= bytes;
        }
        if (store_.Kept(repeat) && kept) --total.protectedCount;
        checked = checked || store_.Selected(repeat);
        kept = kept || store_.Kept(repeat);
    }
    return total;
}

void ScanModel::FindRepeatedFiles() {
    repeats_.clear();
    std::vector<host::ItemRange> ranges;
    for (const RunInfo& run : runs_)
        if (run.number != kCategoryRecycleBin && run.end > run.first)
            ranges.push_back({run.first, run.end});
    // One row alone repeats no other row's file.
    if (ranges.size() > 1)
        for (const auto& repeat : host::FindRepeats(store_, ranges, false))
            if (store_.Run(repeat.first) != store_.Run(repeat.second)) repeats_.push_back(repeat);
    std::sort(repeats_.begin(), repeats_.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });
    repeatedFiles_ = 0;
    for (size_t i = 0; i < repeats_.size(); ++i)
        repeatedFiles_ += i == 0 || repeats_[i].second != repeats_[i - 1].second ? 1 : 0;
}

std::unique_ptr<CleanJob> ScanModel::MakeCleanJob(const std::set<std::uint32_t>& checked) const {
    auto job = std::make_unique<CleanJob>();
    job->store = &store_;
    job->outcomes.assign(store_.Count(), host::ItemOutcome::None);
    std::vector<host::ItemRange> ranges;
    for (size_t r = 0; r < runs_.size(); ++r) {
        const RunInfo& run = runs_[r];
        std::wstring& skip = job->skipReasons.emplace_back();
        std::uint32_t held = 0;
        if (!checked.count(run.number)) {
            skip = L"category not checked";
        } else if (!run.refusal.empty()) {
            skip = run.refusal;
        } else if (run.number == kCategoryRecycleBin && HeldBinItem(&held) && held >= run.first &&
                   held < run.end) {
            skip = host::WholeBinReason(store_.Path(held) + L" is unchecked");
        }
        if (!skip.empty()) continue;
        CleanStep& step = job->steps.emplace_back();
        step.run = r;
        step.number = run.number;
        step.action = run.action;
        step.first = run.first;
        step.end = run.end;
        step.emptiedFolders = &run.emptiedFolders;
        if (run.number != kCategoryRecycleBin) ranges.push_back({run.first, run.end});
    }
    job->repeats = host::FindRepeats(store_, ranges);
    for (const auto& repeat : job->repeats) job->skip.push_back(repeat.first);
    return job;
}

void ScanModel::TakeCleanResult(const CleanJob& job) {
    for (size_t r = 0; r < runs_.size() && r < job.skipReasons.size(); ++r)
        runs_[r].skipReason = job.skipReasons[r];
    for (const CleanStep& step : job.steps) {
        RunInfo& run = runs_[step.run];
        run.cleaned = step.cleaned;
        run.cleanResult = step.cleanResult;
        run.cleanTotals = step.totals;
        run.inUse += step.inUse;
        run.changed += step.changed;
        run.foldersRemoved += step.foldersRemoved;
        run.stoppedByGuard.Add(step.stoppedByGuard);
        cleanSum_.removed += step.totals.removed;
        cleanSum_.failed += step.totals.failed;
        cleanSum_.bytesFreed += step.totals.bytesFreed;
    }
    for (std::uint32_t i = 0; i < store_.Count() && i < job.outcomes.size(); ++i)
        if (job.outcomes[i] != host::ItemOutcome::None) store_.SetOutcome(i, job.outcomes[i]);
    store_.Compact(
        [&](std::uint32_t i) { return store_.Outcome(i) != host::ItemOutcome::Removed; });
    Recount();
}

void ScanModel::Recount() {
    for (RunInfo& run : runs_) {
        run.first = run.end = 0;
        run.sums = {};
    }
    // The items stay in the order of their runs.
    for (std::uint32_t i = store_.Count(); i-- > 0;) {
        RunInfo& run = runs_[store_.Run(i)];
        if (run.end == 0) run.end = i + 1;
        run.first = i;
        CountItem(i, &run.sums);
    }
    FindRepeatedFiles();
}

void ScanModel::CountItem(std::uint32_t i, Sums* sums) const {
    ++sums->count;
    sums->bytes += store_.Bytes(i);
    sums->protectedCount += store_.Kept(i) ? 1 : 0;
    if (!store_.Selected(i)) return;
    ++sums->selectedCount;
    sums->selectedBytes += store_.Bytes(i);
}

}  // namespace gui
