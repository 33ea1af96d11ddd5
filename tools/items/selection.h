// Which found items a clean takes. Every host chooses the same way: items a
// keep rule matches stay (host::ApplyKeepRules), and so do those younger
// than an age limit (host::ApplyAgeLimit), the recycle bin goes whole or
// not at all, and a file listed by two categories is removed once
// (host::FindRepeats).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "items/item_store.h"
#include "items/keep_list.h"

namespace host {

// The moment `days` days ago (UTC, as the items' dates are).
FILETIME AgeLimit(std::uint32_t days);
// A FILETIME as one number of 100 ns ticks, which orders as the moments do.
inline std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Why a recycle-bin clean is left out: the bin is emptied whole, so one item
// that stays keeps all of it. `cause` names that item, e.g. "a keep rule
// (*draft*) matches C:\x\draft.txt".
std::wstring WholeBinReason(const std::wstring& cause);

// Each item's keep rule applied to the items [first, end): a matching item
// is deselected and remembered as kept. A folder is tested once for every
// rule, so files of folders no rule can reach cost nothing, and a folder is
// read for profile files only when a name in or below it is one a profile
// rule names. chosen: what listed the items, when the person chose it by
// itself (see KeepMatcher). Returns the number of items kept;
// counts[rule] grows by the items each rule kept.
std::uint64_t ApplyKeepRules(const std::vector<KeepRule>& rules, ItemStore* store,
                             std::uint32_t first, std::uint32_t end,
                             std::vector<std::uint64_t>* counts = nullptr,
                             const ChosenByItself* chosen = nullptr);

// The selected items of [first, end) that no keep rule protects and that
// were last written within `days` days are deselected and remembered as
// kept for their age (kKeptForAge). An item without a date takes its
// file's last write; one that is no file (a registry value, a recycled
// item) is left as it is. Returns the number of items kept.
std::uint64_t ApplyAgeLimit(std::uint32_t days, ItemStore* store, std::uint32_t first,
                            std::uint32_t end);

// Selected items of the ranges that repeat the path (case-insensitive) of
// an earlier selected item, as (repeat, first listing) pairs in order of
// the repeat: category 1 also lists the Firefox caches and category 6 the
// index files of 1 and 2, and a file is removed once. With selectedOnly
// false every item counts, selected or not: a total counts a file once.
struct ItemRange {
    std::uint32_t first, end;
};
std::vector<std::pair<std::uint32_t, std::uint32_t>> FindRepeats(
    const ItemStore& store, const std::vector<ItemRange>& ranges, bool selectedOnly = true);

}  // namespace host
