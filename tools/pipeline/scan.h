// The scan of a run's rows into one store: the module's categories through
// the module, the rules on the link-safe walk; actions scan nothing.
#pragma once

#include <cstddef>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "pipeline/row.h"
#include "pipeline/stop_signal.h"

namespace host {

// What a host hears while a scan or a clean runs: each file's progress
// (OnProgress, with the module's figures or a rule's), and each row as it
// starts and as it is done. Called on the thread that runs the pipeline.
class RunObserver : public IScanProgress {
public:
    void OnProgress(const ProgressInfo*) override {}
    virtual void OnRowStart(std::size_t /*index*/, const Row& /*row*/) {}
    virtual void OnRowDone(std::size_t /*index*/, const Row& /*row*/) {}
};

// Scans the rows in order into the store (emptied first), each row's items
// tagged with its index; a rule that needs an elevated host in one that is
// not gets its refusal. A stop ends the scan before the next row (the
// module's and the walk's own checks end the running one); the rows not
// reached stay so. True when a stop ended it. keptSites: the sites whose
// cookies stay (the cookie rules edit their databases when there are some).
bool ScanRows(Function::IUnusedFileClean* cleaner, StopSignal* stop, ItemStore* store,
              std::vector<Row>* rows, RunObserver* observer,
              const std::vector<std::string>& keptSites = {});

// A row's items taken from a list a host already has (a drive's scan, a
// benchmark's), as its scan would have listed them: appended to the store.
void TakeItems(ItemStore* store, std::vector<Row>* rows, std::size_t row, ResultList* items,
               const ScanTotals& totals);

}  // namespace host
