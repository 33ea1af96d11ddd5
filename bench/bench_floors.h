// The floors: the bare system calls that each module operation is made of,
// with no work of their own beyond building paths and counting.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"

namespace bench {

struct WalkCount {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t opened = 0;  // files that the exclusive open accepted
};

// FindFirstFileW/FindNextFileW over the tree, counting files and bytes.
// openEach: also opens and closes every file exclusively, as the lock test
// of the scan does. recurse false: the folder's own files only. store, when
// given, gets an item per file (name, folder, size, dates): what any scan
// that hands its files to a host must build.
WalkCount WalkTree(const std::wstring& folder, bool openEach, bool recurse = true,
                   host::ItemStore* store = nullptr);

// SetFileAttributesW(0) and DeleteFileW on every path; the number deleted.
std::uint64_t DeletePaths(const std::vector<std::wstring>& paths);

}  // namespace bench
