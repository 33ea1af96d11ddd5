// Per-file helpers of the scans: sizes, times, type names, and the folder
// counter.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ufc {

// Counts the files, folders and bytes below folder (adding to the counters).
// Returns the walk's last error: 87 for a null folder, 18 after a full walk.
DWORD MeasureFolder(const wchar_t* folder, std::uint64_t* fileCount, std::uint64_t* folderCount,
                    std::uint64_t* byteCount, int recurse);

// Adds the number of files below folder to fileCount (MeasureFolder with
// the folder and byte counts thrown away).
void AddFileCount(const wchar_t* folder, std::uint64_t* fileCount, int recurse);

// Creation, last-access and last-write times (UTC); 1 on success, else 0.
int GetFileTimes(const wchar_t* path, SYSTEMTIME* created, SYSTEMTIME* accessed,
                 SYSTEMTIME* written);

// The file's size, 0 on any failure (also when it is held open elsewhere).
std::uint64_t GetFileSize64(const wchar_t* path);

// The type description of an extension (".txt") into out; the extension
// itself when no description is registered. 0, or ERROR_MORE_DATA (234)
// when the description does not fit capacity.
DWORD GetFileTypeName(const wchar_t* extension, std::size_t capacity, wchar_t* out);

}  // namespace ufc
