// The synthetic profile: files of 0 to 4 KiB in folders three levels deep
// (top\middle\leaf), directly in the Windows temporary folder, where the
// scan of Windows temporary files looks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "UnusedFileClean.h"

namespace bench {

struct TreeShape {
    int tops = 10;
    int middles = 10;
    int leaves = 10;
    int filesPerLeaf = 100;
    std::uint64_t Files() const {
        return static_cast<std::uint64_t>(tops) * middles * leaves * filesPerLeaf;
    }
    int FilesPerTop() const { return middles * leaves * filesPerLeaf; }
};

class SyntheticTree {
public:
    // temp: the Windows temporary folder; park: a folder on the same volume
    // outside it, where tops are moved to shrink the tree without rebuilding.
    SyntheticTree(std::wstring temp, std::wstring park, TreeShape shape);

    // Empties the temporary folder and the park, then writes every file.
    // False when a file could not be written.
    bool Build();
    // Moves every top but the first out of (false) or back into (true) the
    // temporary folder: a rename each, so the small tree costs nothing.
    bool SetFullSize(bool full);
    // Writes the file of a found item again, with the item's size and last
    // write.
    bool Recreate(const FoundItem& item) const;
    // Removes the tree and the park.
    void Remove() const;

    const std::wstring& Temp() const { return temp_; }
    std::uint64_t Files(bool full) const {
        return full ? shape_.Files() : static_cast<std::uint64_t>(shape_.FilesPerTop());
    }

private:
    std::wstring TopName(int top) const;
    bool BuildTop(int top) const;

    std::wstring temp_;
    std::wstring park_;
    TreeShape shape_;
};

// The size of the n-th file: spread evenly over 0 to 4096 bytes.
std::uint32_t SizeOfFile(std::uint64_t n);
// Writes path with size bytes (and, when given, time as its three dates);
// false on failure.
bool WriteFileOfSize(const wchar_t* path, std::uint32_t size, const FILETIME* time = nullptr);

}  // namespace bench
