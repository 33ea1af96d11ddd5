#include "pipeline/pipeline.h"

#include <algorithm>

#include "items/selection.h"
#include "pipeline/clean.h"

namespace host {

namespace {

constexpr std::size_t kMostRows = 0xFFFF;

// Selects each row as its scan ends, before the host hears of it.
class SelectingObserver : public RunObserver {
public:
    SelectingObserver(RunObserver* next, const std::vector<KeepRule>& keepRules,
                      std::uint32_t olderThanDays, ItemStore* store, std::vector<Row>* rows,
                      std::vector<std::uint64_t>* keepCounts)
        : next_(next),
          keepRules_(keepRules),
          olderThanDays_(olderThanDays),
          store_(store),
          rows_(rows),
          keepCounts_(keepCounts) {}
    void OnProgress(const ProgressInfo* info) override {
        if (next_) next_->OnProgress(info);
    }
    void OnRowStart(std::size_t index, const Row& row) override {
        if (next_) next_->OnRowStart(index, row);
    }
    void OnRowDone(std::size_t index, const Row& row) override {
        SelectRow(keepRules_, olderThanDays_, store_, &(*rows_)[index], keepCounts_);
        if (next_) next_->OnRowDone(index, row);
    }

private:
    RunObserver* next_;
    const std::vector<KeepRule>& keepRules_;
    std::uint32_t olderThanDays_;
    ItemStore* store_;
    std::vector<Row>* rows_;
    std::vector<std::uint64_t>* keepCounts_;
};

}  // namespace

void Pipeline::SetRows(std::vector<Row> rows) {
    if (rows.size() > kMostRows) rows.resize(kMostRows);
    rows_ = std::move(rows);
    store_.Clear();
    repeats_.clear();
    keepCounts_.clear();
    plan_ = {};
    outcomes_.clear();
    headline_ = {};
    held_ = {};
}

bool Pipeline::Scan(const SelectOptions& options, RunObserver* observer) {
    keepRules_ = KeepRulesOf(options);
    olderThanDays_ = options.olderThanDays;
    keepCounts_.assign(keepRules_.size(), 0);
    SelectingObserver selecting(observer, keepRules_, olderThanDays_, &store_, &rows_,
                                &keepCounts_);
    const bool stopped = ScanRows(cleaner_, stop_, &store_, &rows_, &selecting, options.keptSites);
    DeselectRepeats(rows_, &store_);
    DeselectEditedFiles(&rows_, &store_);
    FindRepeatedFiles();
    return stopped;
}

void Pipeline::TakeItems(std::size_t row, ResultList* items, const ScanTotals& totals) {
    host::TakeItems(&store_, &rows_, row, items, totals);
}

void Pipeline::Select(const SelectOptions& options) {
    keepRules_ = KeepRulesOf(options);
    olderThanDays_ = options.olderThanDays;
    SelectItems(keepRules_, olderThanDays_, &store_, &rows_, &keepCounts_);
    FindRepeatedFiles();
}

void Pipeline::FindRepeatedFiles() {
    // A row alone repeats no other row's file: a million items of one row
    // are not hashed for nothing.
    const std::vector<ItemRange> ranges = FileRanges(rows_);
    repeats_.clear();
    if (ranges.size() < 2) return;
    repeats_ = FindRepeats(store_, ranges, false);
    std::sort(repeats_.begin(), repeats_.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second < b.second : a.first < b.first;
    });
}

const CleanPlan& Pipeline::Plan(const std::vector<bool>* chosen) {
    plan_ = PlanClean(store_, keepRules_, rows_, chosen);
    for (std::size_t r = 0; r < rows_.size(); ++r) rows_[r].skipReason = plan_.skipReasons[r];
    return plan_;
}

bool Pipeline::Clean(RunObserver* observer, const UndoOptions& undo) {
    const Totals before = SumRows(store_, rows_, repeats_, Planned());
    headline_ = {before.wouldRemove, before.wouldFree, 0};
    held_ = {};
    bool stopped;
    if (undo.mode == UndoMode::None) {
        stopped = CleanRows(cleaner_, stop_, store_, &rows_, plan_, observer, &outcomes_);
    } else {
        HeldClean held(undo);
        stopped = CleanRows(cleaner_, stop_, store_, &rows_, plan_, observer, &outcomes_, &held);
        // A clean stopped is finished too: what it did not reach never moved.
        held.Finish();
        held_ = held.Summary();
    }
    for (std::uint32_t i = 0; i < outcomes_.size(); ++i)
        if (outcomes_[i] != ItemOutcome::None && outcomes_[i] != ItemOutcome::Removed &&
            !std::binary_search(plan_.skip.begin(), plan_.skip.end(), i))
            headline_[2] += store_.Bytes(i);
    return stopped;
}

std::vector<bool> Pipeline::Planned() const {
    std::vector<bool> cleans(rows_.size());
    for (std::size_t r : plan_.rows) cleans[r] = true;
    return cleans;
}

void Pipeline::DropRemoved() {
    for (std::uint32_t i = 0; i < store_.Count() && i < outcomes_.size(); ++i)
        if (outcomes_[i] != ItemOutcome::None) store_.SetOutcome(i, outcomes_[i]);
    outcomes_.clear();
    // A file removed under one row is gone under every row that listed it.
    for (const auto& [repeat, first] : repeats_) {
        if (store_.Outcome(first) == ItemOutcome::Removed)
            store_.SetOutcome(repeat, ItemOutcome::Removed);
        else if (store_.Outcome(repeat) == ItemOutcome::Removed)
            store_.SetOutcome(first, ItemOutcome::Removed);
    }
    store_.Compact([&](std::uint32_t i) { return store_.Outcome(i) != ItemOutcome::Removed; });
    // The items stay in the order of their rows.
    for (Row& row : rows_) row.first = row.end = 0;
    for (std::uint32_t i = store_.Count(); i-- > 0;) {
        Row& row = rows_[store_.Run(i)];
        if (row.end == 0) row.end = i + 1;
        row.first = i;
    }
    FindRepeatedFiles();
    plan_ = {};
}

std::vector<bool> Pipeline::Cleans(const std::vector<bool>* chosen) const {
    const std::vector<std::wstring> reasons = SkipReasons(store_, keepRules_, rows_, chosen);
    std::vector<bool> cleans(rows_.size());
    for (std::size_t r = 0; r < rows_.size(); ++r)
        cleans[r] = CleansRow(store_, rows_[r], reasons[r]);
    return cleans;
}

Totals Pipeline::Sum(const std::vector<bool>* chosen) const {
    Totals sum = SumRows(store_, rows_, repeats_, Cleans(chosen));
    sum.planRemove = headline_[0];
    sum.planFree = headline_[1];
    sum.leftBytes = headline_[2];
    return sum;
}

std::vector<RowFigures> Pipeline::Figures(const std::vector<bool>* chosen) const {
    return FiguresOfRows(store_, rows_, repeats_, Cleans(chosen));
}

bool Pipeline::HeldBinItem(std::uint32_t* item) const {
    return host::HeldBinItem(store_, rows_, item);
}

std::wstring Pipeline::WholeBinReason(std::uint32_t item) const {
    return host::WholeBinReason(store_, keepRules_, item);
}

bool Pipeline::SetSelected(std::uint32_t item, bool selected) {
    if (store_.Selected(item) == selected) return false;
    store_.SetSelected(item, selected);
    return true;
}

}  // namespace host
