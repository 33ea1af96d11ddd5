// How a scan or clean is shown on the console: the summary table, the item
// details, what the keep rules kept, and the clean's table.
#pragma once

#include "pipeline/pipeline.h"

namespace ufclean {

// Each shown row with its own figures; the total counts a file that two
// rows list once, and says how many such files there were.
void PrintScanSummary(const host::Pipeline& run);
void PrintDetails(const host::Pipeline& run);
// What the keep rules and --older-than kept.
void PrintKeepUse(const host::Pipeline& run);
void PrintCleanSummary(const host::Pipeline& run);

}  // namespace ufclean
