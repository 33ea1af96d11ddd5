// What the window holds of a run: the pipeline (its rows and the one store
// of their items), the choice of the tree each row stands for, and each
// row's figures as the window shows them.
//
// The worker thread runs the pipeline's scan and clean. While a scan runs,
// the window reads neither the store nor the pipeline's rows: it learns
// each finished row from the copy the worker posts (kMsgRowDone) and shows
// the items once the scan has ended. While a clean runs, the store does
// not change: the window may paint its items, but leaves the rows alone.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "pipeline/pipeline.h"
#include "pipeline/row.h"
#include "pipeline/stop_signal.h"

namespace gui {

// A row's listed items (not the scan's totals: the recycle-bin query counts
// every item once per drive letter), those checked and those protected.
struct Sums {
    std::uint64_t count = 0, bytes = 0;
    std::uint64_t selectedCount = 0, selectedBytes = 0;
    std::uint64_t protectedCount = 0;
};

// The sums of the items [first, end) of the store.
Sums SumsOf(const host::ItemStore& store, std::uint32_t first, std::uint32_t end);

class ScanModel {
public:
    ScanModel(Function::IUnusedFileClean* cleaner, host::StopSignal* stop)
        : pipeline_(cleaner, stop) {}

    // The rows of the next scan, one per checked choice of the tree
    // (numbers: a category's number or a rule row's, see rule_rows.h).
    void Start(const std::vector<std::uint32_t>& numbers);
    host::Pipeline& Pipeline() { return pipeline_; }
    const host::Pipeline& Pipeline() const { return pipeline_; }
    std::uint32_t NumberOf(std::size_t row) const { return numbers_[row]; }
    std::size_t RowCount() const { return numbers_.size(); }
    // A row the worker finished (its copy and sums).
    void RowDone(std::size_t index, const Sums& sums) { sums_[index] = sums; }
    const Sums& SumsOfRow(std::size_t row) const { return sums_[row]; }
    // Once the worker has ended: every row's sums from the store.
    void Recount();

    const host::ItemStore& Store() const { return pipeline_.Store(); }
    std::uint32_t NumberOfItem(std::uint32_t item) const { return numbers_[Store().Run(item)]; }
    // A later listing of a file an earlier row lists: the list shows the
    // file once, under its first row (known once the worker has ended).
    bool IsRepeat(std::uint32_t item) const { return item < repeat_.size() && repeat_[item]; }
    // The check the list shows for an item's file: its own, or a later
    // listing's (a row chosen by itself may take what the first one kept).
    bool Checked(std::uint32_t item) const;
    // The person's check of the file an item shows: the item takes it, its
    // later listings let it go (the clean takes a file with its first
    // listing). False when nothing changed.
    bool SetSelected(std::uint32_t item, bool selected);
    // "protected: bookmarks", "protected: written in the last 7 day(s)",
    // "failed: in use by another program", or empty.
    std::wstring Note(std::uint32_t item) const;
    // The sums of the rows the worker finished, each file once.
    Sums Total() const;
    // Per row: whether its choice is among the numbers.
    std::vector<bool> Chosen(const std::vector<std::uint32_t>& numbers) const;

private:
    // The later listings of a file, [begin, end) of the pipeline's repeats.
    std::pair<std::size_t, std::size_t> RepeatsOf(std::uint32_t item) const;
    bool Select(std::uint32_t item, bool selected);

    host::Pipeline pipeline_;
    std::vector<std::uint32_t> numbers_;
    std::vector<Sums> sums_;
    std::vector<bool> repeat_;  // by item
};

}  // namespace gui
