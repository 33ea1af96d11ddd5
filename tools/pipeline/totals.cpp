#include "pipeline/totals.h"

namespace host {

std::vector<RowFigures> FiguresOfRows(
    const ItemStore& store, const std::vector<Row>& rows,
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& repeats,
    const std::vector<bool>& cleans) {
    std::vector<RowFigures> figures(rows.size());
    auto taken = [&](std::uint32_t i) { return store.Selected(i) && cleans[store.Run(i)]; };
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        if (!row.Shown()) continue;
        RowFigures& own = figures[r];
        own.found = row.totals.count;
        own.foundBytes = row.totals.bytes;
        own.kept = row.kept + row.keptForAge;
        for (std::uint32_t i = row.first; i < row.end && cleans[r]; ++i)
            if (store.Selected(i)) {
                ++own.wouldRemove;
                own.wouldFree += store.Bytes(i);
            }
    }
    // Each further listing of a file leaves its row's found figures, and
    // what a clean would take when an earlier listing takes the file
    // already.
    std::uint32_t file = ~0u;
    bool takenBefore = false;
    for (const auto& [repeat, first] : repeats) {
        if (first != file) {
            file = first;
            takenBefore = taken(first);
        }
        RowFigures& own = figures[store.Run(repeat)];
        own.found -= 1;
        own.foundBytes -= store.Bytes(repeat);
        if (taken(repeat) && takenBefore) {
            --own.wouldRemove;
            own.wouldFree -= store.Bytes(repeat);
        }
        takenBefore = takenBefore || taken(repeat);
    }
    return figures;
}

Totals SumRows(const ItemStore& store, const std::vector<Row>& rows,
               const std::vector<std::pair<std::uint32_t, std::uint32_t>>& repeats,
               const std::vector<bool>& cleans) {
    Totals sum;
    const std::vector<RowFigures> figures = FiguresOfRows(store, rows, repeats, cleans);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        if (!row.Shown()) continue;
        sum.found += figures[r].found;
        sum.foundBytes += figures[r].foundBytes;
        sum.wouldRemove += figures[r].wouldRemove;
        sum.wouldFree += figures[r].wouldFree;
        sum.kept += row.kept;
        sum.keptForAge += row.keptForAge;
        sum.stopped += row.stoppedByGuard.total;
        sum.heldAtScan += row.heldAtScan;
        sum.removed += row.cleanTotals.removed;
        sum.failed += row.cleanTotals.failed;
        sum.freed += row.cleanTotals.bytesFreed;
        sum.held += row.held;
        sum.heldBytes += row.heldBytes;
        sum.inUse += row.inUse;
        sum.changed += row.changed;
        sum.foldersRemoved += row.foldersRemoved;
    }
    std::uint32_t file = ~0u;
    for (const auto& repeat : repeats)
        if (repeat.second != file) {
            file = repeat.second;
            ++sum.repeatedFiles;
        }
    return sum;
}

}  // namespace host
