// Printing the table: the module's row and its floor's row per operation and
// size, the memory figure, the growth of the scan's cost with the tree, and
// which targets held.
#include "bench_report.h"

#include <cstdio>

namespace bench {

namespace {

void PrintRow(const std::string& operation, std::uint64_t files, double seconds,
              const char* ratio) {
    double perSecond = seconds > 0 ? files / seconds : 0;
    double microseconds = files ? seconds * 1e6 / files : 0;
    std::printf("%-24s %8llu %9.3f %11.0f %9.2f  %s\n", operation.c_str(),
                static_cast<unsigned long long>(files), seconds, perSecond, microseconds, ratio);
}

}  // namespace

void Report::SetMemory(std::uint64_t items, std::uint64_t bytes, std::size_t nodeSize) {
    memoryItems_ = items;
    memoryBytes_ = bytes;
    nodeSize_ = nodeSize;
}

const Comparison* Report::Find(const std::string& operation, bool largest) const {
    const Comparison* found = nullptr;
    for (const Comparison& row : rows_) {
        if (row.operation != operation) continue;
        if (!found || (largest ? row.files > found->files : row.files < found->files)) found = &row;
    }
    return found;
}

void Report::Print(bool valid) const {
    std::printf("\n%-24s %8s %9s %11s %9s  %s\n", "operation", "files", "seconds", "files/s",
                "us/file", "ratio to floor");
    for (const Comparison& row : rows_) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.3f", row.Ratio());
        PrintRow(row.operation + " (module)", row.files, row.moduleSeconds, ratio);
        PrintRow(row.operation + " floor", row.files, row.floorSeconds, "-");
    }

    std::vector<Target> targets;
    // Operation, the name of its ratio line, the ratio it must reach.
    static const struct {
        const char* operation;
        const char* name;
        double limit;
    } kRatios[] = {{"measure", "measure", 0.95},
                   {"scan", "scan", 0.88},
                   {"clean", "clean", 0.95},
                   {"rule scan", "rulescan", 0.9},
                   {"rule scan/store", "rulescan-store", 0.9}};
    for (const auto& ratio : kRatios)
        if (const Comparison* row = Find(ratio.operation, true))
            targets.push_back({ratio.name, row->Ratio(), ratio.limit, true});
    if (memoryItems_ && nodeSize_) {
        double perItem = static_cast<double>(memoryBytes_) / memoryItems_;
        std::printf(
            "\nmemory: %llu items grew private memory by %.1f MiB, %.1f bytes per item;"
            " one list node of FoundItem is %zu bytes\n",
            static_cast<unsigned long long>(memoryItems_), memoryBytes_ / 1048576.0, perItem,
            nodeSize_);
        targets.push_back({"memory", perItem / nodeSize_, 1.05, false});
    }
    const Comparison* small = Find("scan", false);
    const Comparison* large = Find("scan", true);
    if (small && large && small != large && small->moduleSeconds > 0) {
        double smallCost = small->moduleSeconds / small->files;
        double largeCost = large->moduleSeconds / large->files;
        std::printf("scaling: the scan costs %.2f us per file at %llu files, %.2f us at %llu\n",
                    smallCost * 1e6, static_cast<unsigned long long>(small->files), largeCost * 1e6,
                    static_cast<unsigned long long>(large->files));
        targets.push_back({"scaling", largeCost / smallCost, 1.2, false});
    }

    targets.insert(targets.end(), extraTargets_.begin(), extraTargets_.end());
    std::printf("\n");
    for (const Target& t : targets) {
        bool held = t.atLeast ? t.value >= t.limit : t.value <= t.limit;
        std::printf("target %-14s %s %.2f: %.3f, %s\n", t.name.c_str(),
                    t.atLeast ? ">=" : "<=", t.limit, t.value, held ? "held" : "MISSED");
    }
    if (!valid) std::printf("some checks of this run failed: the figures are not to be trusted\n");
    for (const Target& t : targets) std::printf("ratio %s %.3f\n", t.name.c_str(), t.value);
    std::fflush(stdout);
}

}  // namespace bench
