// The table and the ratio lines that end the benchmark's output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

class Report {
public:
    void Add(Comparison comparison) { rows_.push_back(std::move(comparison)); }
    // items: the size of the scan's result list; bytes: the growth of private
    // memory while it was built; nodeSize: one list node of FoundItem.
    void SetMemory(std::uint64_t items, std::uint64_t bytes, std::size_t nodeSize);
    // The table, the targets and one "ratio NAME VALUE" line per ratio.
    // valid: every check of the run held.
    void Print(bool valid) const;

private:
    const Comparison* Find(const std::string& operation, bool largest) const;

    std::vector<Comparison> rows_;
    std::uint64_t memoryItems_ = 0;
    std::uint64_t memoryBytes_ = 0;
    std::size_t nodeSize_ = 0;
};

}  // namespace bench
