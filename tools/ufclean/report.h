// How a scan or clean is shown on the console: the summary table, the item
// details, what the keep rules kept, and the clean's table.
#pragma once

#include "pipeline/pipeline.h"

namespace ufclean {

// Each shown row with what it found (a file an earlier row lists counted
// there alone), kept, and a clean would remove and free; rows that found
// nothing only with emptyRows. The total is the sum of the rows.
void PrintScanSummary(const host::Pipeline& run, bool emptyRows);
void PrintDetails(const host::Pipeline& run);
// What the keep rules and --older-than kept.
void PrintKeepUse(const host::Pipeline& run);
void PrintCleanSummary(const host::Pipeline& run);

}  // namespace ufclean
