// The user's own data: the folders that hold it, its files deleted by
// handle, and whole small files read and written atomically.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace host {

// <roaming application data>\UnusedFileClean, the home of the user's
// profiles and schedules; <local application data>\UnusedFileClean, of the
// logs and the default report folder (its "reports"). Empty when the folder
// cannot be found.
std::wstring UserDataFolder();
std::wstring LocalDataFolder();
std::wstring DefaultReportFolder();

// Makes the folder and every missing folder above it; false with a reason.
bool MakeFolder(const std::wstring& folder, std::wstring* error);

// Deletes the plain files of one folder that match pattern (never below it,
// never a link), then the folder when that leaves it empty. Returns the
// number of files deleted.
int DeleteFilesIn(const std::wstring& folder, const wchar_t* pattern);

// Deletes one file of the user's data by handle (no link below the
// application-data folders is followed); the system's error code.
DWORD DeleteDataFile(const std::wstring& path);

// Whole small files: read into text (false for one over kLargestTextFile),
// or written through a temporary file (path + ".new") that is flushed and
// moved into place, so that a reader never sees half a file.
constexpr std::size_t kLargestTextFile = std::size_t{256} << 20;
bool ReadTextFile(const std::wstring& path, std::string* text);
bool WriteTextFile(const std::wstring& path, const std::string& text, std::wstring* error);

}  // namespace host
