// Undo's cost: a held clean of the synthetic tree against the plain clean of
// the same files (the same deleter, deleting), and taking the held run back
// against the held clean.
#pragma once

#include "bench_report.h"
#include "bench_tree.h"

namespace bench {

// tree must be built and at full size. Adds the "held clean" and "undo"
// rows and the targets held/plain <= 1.1 and undo/held <= 1.2. False when a
// check of the run failed.
bool CompareUndo(const SyntheticTree& tree, Report* report);

}  // namespace bench
