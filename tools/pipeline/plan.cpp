#include "pipeline/plan.h"

#include <algorithm>

#include "items/selection.h"

namespace host {

bool HeldBinItem(const ItemStore& store, const std::vector<Row>& rows, std::uint32_t* item) {
    for (const Row& row : rows) {
        if (!row.reached || row.category != kCategoryRecycleBin) continue;
        for (std::uint32_t i = row.first; i < row.end; ++i) {
            if (store.Selected(i)) continue;
            *item = i;
            return true;
        }
    }
    return false;
}

std::wstring WholeBinReason(const ItemStore& store, const std::vector<KeepRule>& keepRules,
                            std::uint32_t item) {
    const int keep = store.Keep(item);
    const std::wstring path = store.Path(item);
    std::wstring cause = path + L" is unchecked";
    if (keep == ItemStore::kKeptForAge)
        cause = L"--older-than keeps " + path;
    else if (keep >= 0 && static_cast<std::size_t>(keep) < keepRules.size())
        cause = L"a keep rule (" + KeepRuleText(keepRules[static_cast<std::size_t>(keep)]) +
                L") matches " + path;
    return L"the recycle bin is always emptied whole, and " + cause;
}

std::vector<std::wstring> SkipReasons(const ItemStore& store,
                                      const std::vector<KeepRule>& keepRules,
                                      const std::vector<Row>& rows,
                                      const std::vector<bool>* chosen) {
    std::vector<std::wstring> reasons(rows.size());
    std::uint32_t held = 0;
    const bool binHeld = HeldBinItem(store, rows, &held);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        if (!row.reached) continue;
        if (chosen && !(*chosen)[r])
            reasons[r] = L"not checked";
        else if (!row.refusal.empty())
            reasons[r] = row.refusal;
        else if (row.category == kCategoryRecycleBin && binHeld && held >= row.first &&
                 held < row.end)
            reasons[r] = WholeBinReason(store, keepRules, held);
    }
    return reasons;
}

bool CleansRow(const ItemStore& store, const Row& row, const std::wstring& skipReason) {
    if (!row.reached || !skipReason.empty()) return false;
    if (row.IsAction()) return true;
    for (std::uint32_t i = row.first; i < row.end; ++i)
        if (store.Selected(i)) return true;
    return false;
}

CleanPlan PlanClean(const ItemStore& store, const std::vector<KeepRule>& keepRules,
                    const std::vector<Row>& rows, const std::vector<bool>* chosen) {
    CleanPlan plan;
    plan.skipReasons = SkipReasons(store, keepRules, rows, chosen);
    std::vector<ItemRange> ranges;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!CleansRow(store, rows[r], plan.skipReasons[r])) continue;
        plan.rows.push_back(r);
        if (rows[r].category != kCategoryRecycleBin && !rows[r].Edits())
            ranges.push_back({rows[r].first, rows[r].end});
    }
    // A path two rows list goes once, with its first listing.
    plan.repeats = FindRepeats(store, ranges);
    for (const auto& repeat : plan.repeats) plan.skip.push_back(repeat.first);
    std::sort(plan.skip.begin(), plan.skip.end());
    return plan;
}

}  // namespace host
