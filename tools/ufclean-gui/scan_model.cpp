#include "scan_model.h"

#include <algorithm>

#include "rule_rows.h"

namespace gui {

Sums SumsOf(const host::ItemStore& store, std::uint32_t first, std::uint32_t end) {
    Sums sums;
    for (std::uint32_t i = first; i < end; ++i) {
        ++sums.count;
        sums.bytes += store.Bytes(i);
        sums.protectedCount += store.Kept(i) ? 1 : 0;
        if (!store.Selected(i)) continue;
        ++sums.selectedCount;
        sums.selectedBytes += store.Bytes(i);
    }
    return sums;
}

void ScanModel::Start(const std::vector<std::uint32_t>& numbers) {
    std::vector<host::Row> rows;
    for (std::uint32_t number : numbers) rows.push_back(ChoiceRow(number));
    numbers_ = numbers;
    sums_.assign(numbers.size(), Sums());
    repeat_.clear();
    pipeline_.SetRows(std::move(rows));
}

void ScanModel::Recount() {
    const std::vector<host::Row>& rows = pipeline_.Rows();
    // A file two rows list is found under the first, as the console counts
    // it (its later listings are unchecked already).
    const std::vector<host::RowFigures> figures = pipeline_.Figures();
    for (std::size_t r = 0; r < rows.size() && r < sums_.size(); ++r) {
        sums_[r] = SumsOf(Store(), rows[r].first, rows[r].end);
        if (!rows[r].Shown()) continue;
        sums_[r].count = figures[r].found;
        sums_[r].bytes = figures[r].foundBytes;
    }
    repeat_.assign(Store().Count(), false);
    for (const auto& listing : pipeline_.Repeats()) repeat_[listing.first] = true;
}

std::pair<std::size_t, std::size_t> ScanModel::RepeatsOf(std::uint32_t item) const {
    // The repeats are sorted by their first listing.
    const auto& repeats = pipeline_.Repeats();
    const auto range =
        std::equal_range(repeats.begin(), repeats.end(), std::make_pair(0u, item),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return {static_cast<std::size_t>(range.first - repeats.begin()),
            static_cast<std::size_t>(range.second - repeats.begin())};
}

bool ScanModel::Checked(std::uint32_t item) const {
    if (Store().Selected(item)) return true;
    const auto [begin, end] = RepeatsOf(item);
    for (std::size_t k = begin; k < end; ++k)
        if (Store().Selected(pipeline_.Repeats()[k].first)) return true;
    return false;
}

bool ScanModel::SetSelected(std::uint32_t item, bool selected) {
    bool changed = Select(item, selected);
    const auto [begin, end] = RepeatsOf(item);
    for (std::size_t k = begin; k < end; ++k)
        changed = Select(pipeline_.Repeats()[k].first, false) || changed;
    return changed;
}

bool ScanModel::Select(std::uint32_t item, bool selected) {
    if (!pipeline_.SetSelected(item, selected)) return false;
    Sums& sums = sums_[Store().Run(item)];
    const std::uint64_t bytes = Store().Bytes(item);
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
    const host::ItemStore& store = Store();
    const int keep = store.Keep(item);
    if (keep == host::ItemStore::kKeptForAge)
        return L"protected: written in the last " + std::to_wstring(pipeline_.OlderThanDays()) +
               L" day(s)";
    const std::vector<host::KeepRule>& rules = pipeline_.KeepRules();
    if (keep >= 0 && static_cast<std::size_t>(keep) < rules.size())
        return L"protected: " + rules[static_cast<std::size_t>(keep)].reason;
    const host::RuleTarget* target = RuleRowTarget(NumberOfItem(item));
    switch (store.Outcome(item)) {
        case host::ItemOutcome::InUse:
            return target ? L"failed: in use: " + target->InUseAdvice()
                          : L"failed: in use by another program";
        case host::ItemOutcome::Denied:
            return L"failed: access denied";
        case host::ItemOutcome::Changed:
            return L"left: changed since the scan";
        case host::ItemOutcome::Remained:
            return NumberOfItem(item) == kCategoryRecycleBin
                       ? L"failed: the recycle bin was not emptied"
                       : L"failed: still there after the clean";
        default:
            return L"";
    }
}

Sums ScanModel::Total() const {
    Sums total;
    for (const Sums& sums : sums_) {
        total.count += sums.count;
        total.bytes += sums.bytes;
        total.selectedCount += sums.selectedCount;
        total.selectedBytes += sums.selectedBytes;
        total.protectedCount += sums.protectedCount;
    }
    return total;
}

std::vector<bool> ScanModel::Chosen(const std::vector<std::uint32_t>& numbers) const {
    std::vector<bool> chosen(numbers_.size());
    for (std::size_t r = 0; r < numbers_.size(); ++r)
        chosen[r] = std::find(numbers.begin(), numbers.end(), numbers_[r]) != numbers.end();
    return chosen;
}

}  // namespace gui
