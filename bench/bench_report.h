// The table and the ratio lines that end the benchmark's output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace bench {

// One operation of the module against its floor, median seconds of each.
struct Comparison {
    std::string operation;
    std::uint64_t files = 0;
    double moduleSeconds = 0;
    double floorSeconds = 0;
    // How close the module comes to its floor: 1 is on it, 0.5 twice as slow.
    double Ratio() const { return moduleSeconds > 0 ? floorSeconds / moduleSeconds : 0; }
};

constexpr int kRuns = 5;

// Runs module and floor once each per run, alternating which goes first;
// each callable returns the seconds of its own timed part. The first run is
// a warm-up; the medians of the others are kept.
template <typename Module, typename Floor>
Comparison Compare(const char* name, std::uint64_t files, Module module, Floor floor) {
    std::vector<double> moduleTimes, floorTimes;
    for (int run = 0; run <= kRuns; ++run) {
        double m, f;
        if (run % 2 == 0) {
            m = module();
            f = floor();
        } else {
            f = floor();
            m = module();
        }
        if (run == 0) continue;
        moduleTimes.push_back(m);
        floorTimes.push_back(f);
    }
    std::printf("  %-15s %7llu files: module %.3f s, floor %.3f s\n", name,
                static_cast<unsigned long long>(files), Median(moduleTimes), Median(floorTimes));
    std::fflush(stdout);
    return {name, files, Median(moduleTimes), Median(floorTimes)};
}

class Report {
public:
    void Add(Comparison comparison) { rows_.push_back(std::move(comparison)); }
    // items: the size of the scan's result list; bytes: the growth of private
    // memory while it was built; nodeSize: one list node of FoundItem.
    void SetMemory(std::uint64_t items, std::uint64_t bytes, std::size_t nodeSize);
    // A figure with a limit of its own: the value must reach it (atLeast)
    // or stay below it.
    void AddTarget(const std::string& name, double value, double limit, bool atLeast) {
        extraTargets_.push_back({name, value, limit, atLeast});
    }
    // The table, the targets and one "ratio NAME VALUE" line per ratio.
    // valid: every check of the run held.
    void Print(bool valid) const;

private:
    const Comparison* Find(const std::string& operation, bool largest) const;

    struct Target {
        std::string name;
        double value;
        double limit;
        bool atLeast;
    };
    std::vector<Comparison> rows_;
    std::vector<Target> extraTargets_;
    std::uint64_t memoryItems_ = 0;
    std::uint64_t memoryBytes_ = 0;
    std::size_t nodeSize_ = 0;
};

}  // namespace bench
