// The user's own data: the folders that hold it, the names of profiles and
// schedules, the paths kept in them, whole small files written atomically,
// and the lock under which the records are changed.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace host {

// A profile's or a schedule's name is also a file and a task name, compared
// as Windows compares those: letter case aside. It is 1 to 64 of A-Z, a-z,
// 0-9, '-', '_' and '.', starting with a letter or digit, not ending with a
// dot (Windows drops it: "a." would be "a"), and no device name (CON, PRN,
// AUX, NUL, COM0-9, LPT0-9, also with an extension: "con.txt"). False with
// the reason otherwise.
bool CheckName(const std::wstring& name, std::wstring* reason);

// A path kept in a record or handed to Task Scheduler: full (C:\... or
// \\server\share\...), shorter than MAX_PATH, without control characters or
// any of " < > | ? *. False with the reason, naming what the path is for.
bool CheckFullPath(const std::wstring& path, const wchar_t* what, std::wstring* reason);

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

// Held while the records (profiles, schedules.json and the schedules' tasks)
// are read, changed and written back: an exclusive open of records.lock in
// the user's data folder, deleted when let go. Commands of one user, in any
// session, take turns; a process that dies lets go. Not reentrant: a
// command takes it once.
class RecordsLock {
public:
    RecordsLock() = default;
    RecordsLock(const RecordsLock&) = delete;
    RecordsLock& operator=(const RecordsLock&) = delete;
    ~RecordsLock();  // lets go: the lock file goes with its handle

    // Waits up to a minute for another command to finish; false with the
    // reason.
    bool Acquire(std::wstring* error);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace host
