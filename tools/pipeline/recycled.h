// The recycle bin's row: each item once by its path, aged by the day it
// was deleted.
#pragma once

#include <cstdint>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "platform/recycled_dates.h"

namespace host {

// Keeps each recycled item once by its path (folder and name, letter case
// folded) and counts the row's figures from what stays: under Wine every
// drive letter asked gets the whole bin, so the module's totals count each
// item once per letter.
void TakeEachBinItemOnce(ResultList* items, ScanTotals* totals);

// Deselects the items [first, end) of a bin row deleted less than days ago
// (their dates: RecycledDates(); the latest where one path was recycled
// twice), each kept for its age; an item without a date is aged by nothing.
// The number kept.
std::uint64_t AgeRecycledItems(std::uint32_t days, const std::vector<RecycledDate>& dates,
                               ItemStore* store, std::uint32_t first, std::uint32_t end);

}  // namespace host
