// Which found items a clean takes. Every host chooses the same way: items a
// keep rule matches stay, the recycle bin goes whole or not at all, and a
// file listed by two categories is removed once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "keep_list.h"

namespace host {

// Clears the item's selected flag when a rule matches it; returns the index
// of the first matching rule, or -1 (the item is left as it was).
int DeselectKept(const std::vector<KeepRule>& rules, FoundItem* item);

// The moment `days` days ago (UTC, as the items' dates are).
FILETIME AgeLimit(std::uint32_t days);

// Clears the selected flag of a selected item last written after youngAfter
// and returns true. An item without a date takes its file's last write;
// one that is no file (a registry value) is left as it is.
bool DeselectYoungerThan(const FILETIME& youngAfter, FoundItem* item);

// Why a recycle-bin clean is left out: the bin is emptied whole, so one item
// that stays keeps all of it. `cause` names that item, e.g. "a keep rule
// (*draft*) matches C:\x\draft.txt".
std::wstring WholeBinReason(const std::wstring& cause);

// Category 1 also lists the Firefox caches and category 6 the index files of
// 1 and 2: the first listing of a path (case-insensitive) keeps its flag,
// later selected listings are deselected so that they are not counted as
// failures. The lists are taken in the order given; leave the recycle bin
// out (it is emptied whole, its items are not paths of their own).
void DeselectRepeats(const std::vector<ResultList*>& lists);

}  // namespace host
