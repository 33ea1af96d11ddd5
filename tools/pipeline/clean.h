// The clean of a plan's rows, written once for both hosts: an action runs
// its step in the module, a category's selected items go through the
// module's removal, a rule's through the hosts' rule clean, which reads
// them straight from the store.
#pragma once

#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "pipeline/held_clean.h"
#include "pipeline/plan.h"
#include "pipeline/row.h"
#include "pipeline/scan.h"
#include "pipeline/stop_signal.h"

namespace host {

// Cleans the plan's rows in order; each row records what its clean did, and
// outcomes (indexed like the store) what became of each item handed over;
// a listing the plan skipped shares its first listing's fate. A stop ends
// the clean before the next row or file. True when a stop ended it. With
// held, the files of the rows its mode holds are held for undo instead of
// deleted (a category's through the pipeline's deleter, not the module's).
bool CleanRows(Function::IUnusedFileClean* cleaner, StopSignal* stop, const ItemStore& store,
               std::vector<Row>* rows, const CleanPlan& plan, RunObserver* observer,
               std::vector<ItemOutcome>* outcomes, HeldClean* held = nullptr);

}  // namespace host
