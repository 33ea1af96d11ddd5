// The program's private memory as Linux counts it, for the benchmarks.
// Under Wine the process calls report nothing useful, so the figure comes
// from /proc/<pid>/status of the program's own Unix process, through a
// drive letter that scripts/bench maps to /proc (UFC_BENCH_STATUS names
// the file).
#pragma once

#include <cstdint>
#include <string>

namespace host {

class PrivateMemory {
public:
    PrivateMemory();
    bool Available() const { return !statusPath_.empty(); }
    const std::wstring& StatusPath() const { return statusPath_; }
    // RssAnon in bytes; 0 when it cannot be read.
    std::uint64_t Bytes() const;
    // Touches 32 MiB and returns how much of it the reading saw (bytes), so
    // that a reading that cannot move is noticed.
    std::uint64_t SeenOfTouched32MiB() const;

private:
    std::wstring statusPath_;
};

}  // namespace host
