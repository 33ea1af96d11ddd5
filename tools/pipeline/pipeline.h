// One run of scan, select and clean, driven by both hosts. The console
// makes one for a command; the desktop host keeps one for its window and
// runs its scan and clean on a worker thread.
//
// The pipeline owns the rows and the one store of their items. Its scan
// and its clean may run on another thread than the one that made it; while
// one runs, that thread alone uses the pipeline, with one exception: the
// window may read the store's items and the rows' names while a clean runs
// (the clean only reads them too). The window never reads a row's figures
// or the store while a scan runs: it learns each finished row from a copy
// the worker posts, and reads the rest once the worker has ended.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "items/keep_list.h"
#include "pipeline/held_clean.h"
#include "pipeline/plan.h"
#include "pipeline/row.h"
#include "pipeline/scan.h"
#include "pipeline/select.h"
#include "pipeline/stop_signal.h"
#include "pipeline/totals.h"

namespace host {

class Pipeline {
public:
    // The cleaner runs the module's categories and actions; stop ends a run
    // early (its owner attaches the cleaner to it).
    Pipeline(Function::IUnusedFileClean* cleaner, StopSignal* stop)
        : cleaner_(cleaner), stop_(stop) {}

    // The rows of the next scan (at most 65535: the store tags each item
    // with its row's index in 16 bits); everything found before is
    // forgotten.
    void SetRows(std::vector<Row> rows);
    // Scans every row into the store and selects with these options: each
    // row as its scan ends (SelectRow, before OnRowDone, so a host that
    // shows rows as they finish shows what the clean would take), the
    // repeats once all are in. True when a stop ended the scan.
    bool Scan(const SelectOptions& options, RunObserver* observer);
    // A row's items from a list the host already has (a drive's scan, a
    // benchmark's), in place of its scan.
    void TakeItems(std::size_t row, ResultList* items, const ScanTotals& totals);
    // The selection of items taken (SelectItems) with these options.
    void Select(const SelectOptions& options);

    // The plan of the next clean (PlanClean): the rows chosen (a flag per
    // row; null: all of them), the rows' skip reasons set.
    const CleanPlan& Plan(const std::vector<bool>* chosen = nullptr);
    std::size_t PlannedRows() const { return plan_.rows.size(); }
    // Cleans what the last plan takes; true when a stop ended the clean.
    // With an undo mode, the files of the rows it holds (NotHeldReason) go
    // into the undo store instead of being deleted: UndoHeld then says which
    // runs hold them, how many and until when.
    bool Clean(RunObserver* observer, const UndoOptions& undo = {});
    const UndoSummary& UndoHeld() const { return held_; }
    // After a clean: the removed items leave the store (the rows' ranges
    // follow), the others keep the reason they stayed (ItemStore::Outcome).
    void DropRemoved();

    // The totals of the shown rows; what a clean would take counts the rows
    // a clean of those chosen would take (null: all).
    Totals Sum(const std::vector<bool>* chosen = nullptr) const;
    // Each row's share of them (FiguresOfRows), indexed like the rows.
    std::vector<RowFigures> Figures(const std::vector<bool>* chosen = nullptr) const;
    // The recycle-bin item that keeps the bin (HeldBinItem), and why.
    bool HeldBinItem(std::uint32_t* item) const;
    std::wstring WholeBinReason(std::uint32_t item) const;

    const std::vector<Row>& Rows() const { return rows_; }
    const Row& RowOf(std::uint32_t item) const { return rows_[store_.Run(item)]; }
    const ItemStore& Store() const { return store_; }
    // Every listing that repeats an earlier one's path, as (repeat, first
    // listing).
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& Repeats() const { return repeats_; }
    // The person's check of an item; false when it already was so.
    bool SetSelected(std::uint32_t item, bool selected);
    // The keep rules of the selection, what each kept, and its age limit.
    const std::vector<KeepRule>& KeepRules() const { return keepRules_; }
    const std::vector<std::uint64_t>& KeepCounts() const { return keepCounts_; }
    std::uint32_t OlderThanDays() const { return olderThanDays_; }

private:
    void FindRepeatedFiles();
    // A flag per row: the clean of those chosen takes it.
    std::vector<bool> Cleans(const std::vector<bool>* chosen) const;
    // A flag per row: the last plan takes it.
    std::vector<bool> Planned() const;

    Function::IUnusedFileClean* cleaner_;
    StopSignal* stop_;
    std::vector<Row> rows_;
    ItemStore store_;
    std::vector<KeepRule> keepRules_;
    std::vector<std::uint64_t> keepCounts_;
    std::uint32_t olderThanDays_ = 0;
    // Every listing that repeats an earlier one's path, by first listing.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> repeats_;
    CleanPlan plan_;
    std::vector<ItemOutcome> outcomes_;  // of the last clean, indexed like the store
    // The last clean's would remove and would free as it started, and the
    // bytes it was handed and left.
    std::array<std::uint64_t, 3> headline_ = {};
    UndoSummary held_;  // of the last clean
};

}  // namespace host
