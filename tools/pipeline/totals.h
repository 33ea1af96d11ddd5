// The figures of a run, counted once for both hosts: what the scan found
// and the selection kept, what a clean would take, and what it did.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "items/item_store.h"
#include "pipeline/row.h"

namespace host {

struct Totals {
    // The scan: the rows' own figures, a file that two rows list once.
    std::uint64_t found = 0, foundBytes = 0;
    std::uint64_t repeatedFiles = 0;  // files listed by more than one row
    std::uint64_t kept = 0;           // by a keep rule
    std::uint64_t keptForAge = 0;     // by the age limit
    std::uint64_t stopped = 0;        // files the guard kept out, by the scan and the clean
    std::uint64_t heldAtScan = 0;     // files a category met and left out: in use
    // What a clean of the rows it takes would remove and free: their
    // selected items, each file once.
    std::uint64_t wouldRemove = 0, wouldFree = 0;
    // The clean.
    // removed counts the files held for undo, freed their bytes not: they
    // still take their space until the undo store lets them go.
    std::uint64_t removed = 0, failed = 0, inUse = 0, changed = 0, freed = 0;
    std::uint64_t held = 0, heldBytes = 0;
    std::uint64_t foldersRemoved = 0;
    // The last clean's headline, what it would remove and free as it
    // started, and the bytes of what it was handed and left (each file
    // once): planFree is freed + heldBytes + leftBytes.
    std::uint64_t planRemove = 0, planFree = 0, leftBytes = 0;
};

// A shown row's own figures: what it found, each file once (a file an
// earlier row lists is counted there alone), what the selection kept, what
// a clean of it would remove and free. They add up to the totals.
struct RowFigures {
    std::uint64_t found = 0, foundBytes = 0, kept = 0, wouldRemove = 0, wouldFree = 0;
};

// The figures of each row (zero for a row not shown), arguments as SumRows'.
std::vector<RowFigures> FiguresOfRows(
    const ItemStore& store, const std::vector<Row>& rows,
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& repeats,
    const std::vector<bool>& cleans);

// The totals of the rows a report shows. repeats: every listing that
// repeats an earlier one's path, as (repeat, first listing), sorted by the
// first listing; cleans: a flag per row, set for the rows a clean takes.
Totals SumRows(const ItemStore& store, const std::vector<Row>& rows,
               const std::vector<std::pair<std::uint32_t, std::uint32_t>>& repeats,
               const std::vector<bool>& cleans);

}  // namespace host
