#include "pipeline/clean.h"

#include "pipeline/edit_clean.h"
#include "pipeline/removal.h"
#include "pipeline/temp_folders.h"
#include "rules/rule_clean.h"

namespace host {

namespace {

// Counts a clean of stored items into its row.
void Record(const RuleCleanResult& done, Row* row) {
    row->cleanTotals = done.totals;
    row->inUse = done.inUse;
    row->changed = done.changed;
    row->foldersRemoved = done.foldersRemoved;
    row->held = done.held;
    row->heldBytes = done.heldBytes;
    row->stoppedByGuard.Add(done.stoppedByGuard);
    row->cleanResult = done.stopped ? 2 : 1;
}

void CleanCategory(Function::IUnusedFileClean* cleaner, StopSignal* stop, const ItemStore& store,
                   const CleanPlan& plan, RunObserver* observer, Row* row,
                   std::vector<ItemOutcome>* outcomes, HeldClean* held) {
    stop->PrepareModule();
    if (row->IsAction()) {
        row->cleanResult = cleaner->CleanUnusedFile(static_cast<int>(row->category), ResultList(),
                                                    &row->cleanTotals, observer);
        return;
    }
    // The module takes a list per call: chunks rebuilt from the store.
    RemovalPass pass = PassFor(row->category, row->first, row->end);
    pass.skip = &plan.skip;
    if (held && !pass.whole && !pass.registryValues && !held->NotHeld(*row)) {
        // Held files go through the host's deleter: the module only deletes.
        RuleCleanResult done;
        TakeStoredItems(store, {row->first, row->end}, &plan.skip, observer, stop->Flag(), &done,
                        outcomes, held);
        Record(done, row);
    } else {
        RemovalResult done;
        RemoveModuleItems(cleaner, row->category, store, pass, observer, &done, outcomes);
        row->cleanTotals = done.totals;
        row->changed = done.changed;
        row->cleanResult = done.result;
    }
    // The folders it emptied in a temporary place go too.
    if (row->cleanResult == 1)
        row->foldersRemoved = RemoveEmptiedTempFolders(*row, store, *outcomes);
}

void CleanRule(StopSignal* stop, const ItemStore& store, const CleanPlan& plan,
               RunObserver* observer, Row* row, std::vector<ItemOutcome>* outcomes,
               HeldClean* held) {
    if (row->Edits())
        return CleanEdits(store, plan.skip, observer, stop->Flag(), row, outcomes, held);
    RuleCleanResult done;
    CleanRuleItems(store, {row->first, row->end}, &plan.skip, row->emptiedFolders,
                   GuardContextOf(row->target, row->chosenById), observer, stop->Flag(), &done,
                   outcomes, held && !held->NotHeld(*row) ? held : nullptr);
    Record(done, row);
    if (!done.stopped) row->foldersRemoved += RemoveEmptiedTempFolders(*row, store, *outcomes);
}

}  // namespace

bool CleanRows(Function::IUnusedFileClean* cleaner, StopSignal* stop, const ItemStore& store,
               std::vector<Row>* rows, const CleanPlan& plan, RunObserver* observer,
               std::vector<ItemOutcome>* outcomes, HeldClean* held) {
    RunObserver quiet;
    if (!observer) observer = &quiet;
    outcomes->assign(store.Count(), ItemOutcome::None);
    for (std::size_t r = 0; r < rows->size() && r < plan.skipReasons.size(); ++r) {
        (*rows)[r].skipReason = plan.skipReasons[r];
        (*rows)[r].cleaned = false;
    }
    bool stopped = false;
    for (std::size_t index : plan.rows) {
        if ((stopped = stop->Requested())) break;
        Row& row = (*rows)[index];
        row.cleanTotals = {};
        row.inUse = row.changed = row.foldersRemoved = row.held = row.heldBytes = 0;
        observer->OnRowStart(index, row);
        if (row.IsRule())
            CleanRule(stop, store, plan, observer, &row, outcomes, held);
        else
            CleanCategory(cleaner, stop, store, plan, observer, &row, outcomes, held);
        row.cleaned = true;
        observer->OnRowDone(index, row);
        if ((stopped = row.cleanResult == 2 || stop->Requested())) break;
    }
    for (const auto& [repeat, first] : plan.repeats) (*outcomes)[repeat] = (*outcomes)[first];
    return stopped;
}

}  // namespace host
