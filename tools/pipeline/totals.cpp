#include "pipeline/totals.h"

namespace host {

Totals SumRows(const ItemStore& store, const std::vector<Row>& rows,
               const std::vector<std::pair<std::uint32_t, std::uint32_t>>& repeats,
               const std::vector<bool>& cleans) {
    Totals sum;
    auto taken = [&](std::uint32_t i) { return store.Selected(i) && cleans[store.Run(i)]; };
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        if (!row.Shown()) continue;
        sum.found += row.totals.count;
        sum.foundBytes += row.totals.bytes;
        sum.kept += row.kept;
        sum.keptForAge += row.keptForAge;
        sum.stopped += row.stoppedByGuard.total;
        sum.removed += row.cleanTotals.removed;
        sum.failed += row.cleanTotals.failed;
        sum.freed += row.cleanTotals.bytesFreed;
        sum.inUse += row.inUse;
        sum.changed += row.changed;
        sum.foldersRemoved += row.foldersRemoved;
        for (std::uint32_t i = row.first; i < row.end && cleans[r]; ++i)
            if (store.Selected(i)) {
                ++sum.wouldRemove;
                sum.wouldFree += store.Bytes(i);
            }
    }
    // Each further listing of a file leaves the found figures, and what a
    // clean would take when an earlier listing takes the file already.
    std::uint32_t file = ~0u;
    bool takenBefore = false;
    for (const auto& [repeat, first] : repeats) {
        if (first != file) {
            file = first;
            takenBefore = taken(first);
            ++sum.repeatedFiles;
        }
        sum.found -= 1;
        sum.foundBytes -= store.Bytes(repeat);
        if (taken(repeat) && takenBefore) {
            --sum.wouldRemove;
            sum.wouldFree -= store.Bytes(repeat);
        }
        takenBefore = takenBefore || taken(repeat);
    }
    return sum;
}

}  // namespace host
