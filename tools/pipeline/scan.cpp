#include "pipeline/scan.h"

#include "pipeline/held_files.h"
#include "pipeline/recycled.h"
#include "platform/elevation.h"
#include "rules/probe.h"
#include "rules/rule_scan.h"

namespace host {

namespace {

std::uint16_t Tag(std::size_t row) {
    return static_cast<std::uint16_t>(row);
}

// The rule's items, straight from its walk.
void ScanRuleRow(Row* row, bool elevated, StopSignal* stop, ItemStore* store, RunObserver* observer,
                 RuleProbe* probe, const std::vector<std::string>& keptSites) {
    RuleScanResult result;
    ScanRule(row->target, row->chosenById, observer, stop->Flag(), store, &result, probe,
             &keptSites);
    row->editsDatabases = result.editsDatabases;
    row->edits = std::move(result.edits);
    row->totals = result.totals;
    row->folders = result.folders;
    row->running = result.running;
    row->emptiedFolders = std::move(result.emptiedFolders);
    row->stoppedByGuard = result.stoppedByGuard;
    row->scanResult = result.stopped ? 2 : 1;
    if (row->target.rule->needsAdmin && !elevated)
        row->refusal = L"needs an elevated host: run as administrator";
}

}  // namespace

bool ScanRows(Function::IUnusedFileClean* cleaner, StopSignal* stop, ItemStore* store,
              std::vector<Row>* rows, RunObserver* observer,
              const std::vector<std::string>& keptSites) {
    RunObserver quiet;
    if (!observer) observer = &quiet;
    store->Clear();
    const bool elevated = HostIsElevated();
    // One probe serves every rule of the scan.
    RuleProbe probe;
    for (std::size_t r = 0; r < rows->size(); ++r) {
        if (stop->Requested()) return true;
        Row& row = (*rows)[r];
        row.reached = true;
        row.first = store->Count();
        observer->OnRowStart(r, row);
        if (row.kind == RowKind::Category) {
            // The module's list goes into the store as soon as its scan ends.
            ResultList items;
            stop->PrepareModule();
            MetFiles met(observer, row.category);
            row.scanResult =
                cleaner->GetUnusedFile(static_cast<int>(row.category), &items, &row.totals, &met);
            if (row.category == kCategoryRecycleBin) TakeEachBinItemOnce(&items, &row.totals);
            store->Append(&items, Tag(r));
            // The bin's reports name where its items came from, not files.
            if (row.category != kCategoryRecycleBin)
                row.heldAtScan = CountHeldFiles(met.Paths(), *store, row.first, store->Count());
        } else if (row.kind == RowKind::Rule) {
            ScanRuleRow(&row, elevated, stop, store, observer, &probe, keptSites);
        }
        row.end = store->Count();
        store->SetRun(row.first, row.end, Tag(r));
        observer->OnRowDone(r, row);
        if (row.scanResult == 2 || stop->Requested()) return true;
    }
    return false;
}

void TakeItems(ItemStore* store, std::vector<Row>* rows, std::size_t row, ResultList* items,
               const ScanTotals& totals) {
    Row& taken = (*rows)[row];
    taken.reached = true;
    taken.scanResult = 1;
    taken.totals = totals;
    if (taken.category == kCategoryRecycleBin) TakeEachBinItemOnce(items, &taken.totals);
    taken.first = store->Count();
    store->Append(items, Tag(row));
    taken.end = store->Count();
}

}  // namespace host
