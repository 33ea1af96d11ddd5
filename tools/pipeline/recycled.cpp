#include "pipeline/recycled.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "fs/fold.h"
#include "items/selection.h"

namespace host {

namespace {

std::wstring FoldedPath(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return ufc::Folded(path + name);
}

}  // namespace

void TakeEachBinItemOnce(ResultList* items, ScanTotals* totals) {
    std::set<std::wstring> seen;
    *totals = {};
    for (auto item = items->begin(); item != items->end();) {
        if (!seen.insert(FoldedPath(item->folder, item->name)).second) {
            item = items->erase(item);
            continue;
        }
        ++totals->count;
        totals->bytes += item->size;
        ++item;
    }
}

std::uint64_t AgeRecycledItems(std::uint32_t days, const std::vector<RecycledDate>& dates,
                               ItemStore* store, std::uint32_t first, std::uint32_t end) {
    if (days == 0) return 0;
    std::map<std::wstring, std::uint64_t> deleted;
    for (const RecycledDate& date : dates) {
        std::uint64_t& latest = deleted[ufc::Folded(date.path)];
        latest = std::max(latest, Ticks(date.deleted));
    }
    const std::uint64_t limit = Ticks(AgeLimit(days));
    std::uint64_t kept = 0;
    for (std::uint32_t i = first; i < end; ++i) {
        if (!store->Selected(i) || store->Kept(i)) continue;
        const auto found = deleted.find(ufc::Folded(store->Path(i)));
        if (found == deleted.end() || found->second <= limit) continue;
        store->SetSelected(i, false);
        store->SetKeep(i, ItemStore::kKeptForAge);
        ++kept;
    }
    return kept;
}

}  // namespace host
