// The scan and clean of the selected cleaning rules, one row per rule and
// browser that has the rule's folders.
#pragma once

#include <vector>

#include "app.h"
#include "report.h"

namespace ufclean {

// Appends a row per rule target found on disk. True when a stop request
// ended the scan.
bool ScanRules(const Options& options, host::ItemStore* store, std::vector<CategoryRun>* runs);

// Deletes the selected files of a rule row. True when stopped.
bool CleanRuleRun(CategoryRun* run);

}  // namespace ufclean
