// What a clean will do, decided before it runs: which rows it takes, why
// it leaves the others alone, and which listings of a file it hands over.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "items/item_store.h"
#include "items/keep_list.h"
#include "pipeline/row.h"

namespace host {

struct CleanPlan {
    std::vector<std::size_t> rows;          // the rows to clean, in order
    std::vector<std::wstring> skipReasons;  // per row: why the clean leaves it alone
    // The selected listings that repeat an earlier selected listing's path,
    // as (repeat, first listing), and the repeats alone, sorted: they are
    // not handed over and share the fate of their first listing.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> repeats;
    std::vector<std::uint32_t> skip;
};

// The first item a recycle-bin row leaves out of the clean (kept, or
// unchecked by the person): the bin is emptied whole, so that item keeps
// all of it. False when no bin row holds one.
bool HeldBinItem(const ItemStore& store, const std::vector<Row>& rows, std::uint32_t* item);

// Why the bin stays, naming that item: "the recycle bin is always emptied
// whole, and a keep rule (*draft*) matches C:\x\draft.txt".
std::wstring WholeBinReason(const ItemStore& store, const std::vector<KeepRule>& keepRules,
                            std::uint32_t item);

// The reason the clean leaves each row alone, empty for a row it takes: a
// row the scan did not reach or with nothing selected (no reason), one the
// person did not choose (chosen: a flag per row; null: all are chosen), one
// refused on this machine, a recycle bin an item holds back.
std::vector<std::wstring> SkipReasons(const ItemStore& store,
                                      const std::vector<KeepRule>& keepRules,
                                      const std::vector<Row>& rows,
                                      const std::vector<bool>* chosen);

// Whether the clean takes the row: no skip reason, and an action or an item
// selected.
bool CleansRow(const ItemStore& store, const Row& row, const std::wstring& skipReason);

// The plan: the rows taken, the reasons of the others, and the repeated
// listings among the selected items of the rows taken.
CleanPlan PlanClean(const ItemStore& store, const std::vector<KeepRule>& keepRules,
                    const std::vector<Row>& rows, const std::vector<bool>* chosen);

}  // namespace host
