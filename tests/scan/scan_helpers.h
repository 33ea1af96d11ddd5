// Small helpers of the junk-file scan tests.
#pragma once

#include <windows.h>

#include <string>

#include "UnusedFileClean.h"
#include "util/handles.h"

namespace scantest {

// Holds a file open without sharing, as a program using it would.
inline ufc::unique_hfile HoldOpen(const std::wstring& path) {
    return ufc::unique_hfile(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A found item of a file, as a scan would make it.
inline FoundItem FileItem(std::uint32_t category, const std::wstring& folder,
                          const std::wstring& name, std::uint64_t size = 0) {
    FoundItem item;
    item.category = category;
    item.size = size;
    wcsncpy(item.folder, folder.c_str(), kTextUnits - 1);
    wcsncpy(item.name, name.c_str(), kTextUnits - 1);
    return item;
}

// Whether an open for writing fails on a read-only file here (it does not
// for root under Wine).
bool ReadOnlyFilesRefuseWriting();

}  // namespace scantest
