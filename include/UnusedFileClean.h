// UnusedFileClean.h - the contract between a host and UnusedFileClean.dll.
//
// Loading and releasing the cleaner:
//
//   HMODULE module = LoadLibraryW(L"UnusedFileClean.dll");
//   auto create = reinterpret_cast<Function::FunCreateFn>(
//       GetProcAddress(module, "FunCreate"));
//   Function::IUnusedFileClean* cleaner = create ? create() : nullptr;
//   ...
//   cleaner->Release();      // before FreeLibrary, never after
//   FreeLibrary(module);
//
// Ownership: the host owns every ResultList, ScanTotals, CleanTotals, drive
// vector and IScanProgress object that it passes in; the module only appends
// to them, adds to them and calls them during a call. The icon of a FoundItem
// is borrowed from the cleaner and stays valid until Release; the icons of a
// DriveDisplayEntry belong to the host once handed over (DestroyIcon them).
//
// The interface passes std::list and std::vector across the boundary, so the
// host must be built with the same mingw-w64 compiler and C++ runtime as the
// module, and both must share one heap.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

// Category numbers: they stamp found items and progress records and select
// the removal routine of a clean.
enum JunkCategory : std::uint32_t {
    kCategoryInternetTempFiles = 1,
    kCategoryCookies = 2,
    kCategoryHistory = 3,
    kCategoryTypedUrls = 4,
    kCategoryBrowserTracks = 5,  // clean-only action
    kCategoryCacheIndex = 6,
    kCategoryRecentDocuments = 7,
    kCategoryRunHistory = 8,
    kCategoryWindowsTemp = 9,
    kCategoryMemoryDumps = 10,
    kCategoryChkFragments = 11,
    kCategoryWindowsLogs = 12,
    kCategoryStartMenuShortcuts = 13,
    kCategoryDesktopShortcuts = 14,
    kCategoryOfficeRecent = 15,
    kCategoryRecycleBin = 16,
    kCategoryClipboard = 17,  // clean-only action
    kCategoryFirefoxCookies = 18,
    kCategoryFirefoxDownloads = 19,
    kCategoryFirefoxCaches = 20,
    kCategoryFirefoxHistory = 21,
    kCategoryFirefoxFormHistory = 22,
    kCategoryUninstallFolders = 23,
    kCategoryNone = 24,
    kCategoryUnset = 25,  // "no category" in a record
};

constexpr std::size_t kTextUnits = 260;  // every text field: 259 units + zero

// One junk entry found by a scan.
struct FoundItem {
    std::uint32_t category = kCategoryUnset;
    std::uint32_t selected = 1;  // 1: remove on clean, 0: keep
    std::uint64_t size = 0;
    wchar_t name[kTextUnits] = {};
    wchar_t folder[kTextUnits] = {};
    wchar_t typeText[kTextUnits] = {};
    SYSTEMTIME created = {};
    SYSTEMTIME accessed = {};
    SYSTEMTIME written = {};
    HICON icon = nullptr;  // borrowed from the cleaner; never destroy it
};

using ResultList = std::list<FoundItem>;

struct ScanTotals {
    std::uint64_t bytes = 0;
    std::uint64_t count = 0;
};

struct CleanTotals {
    std::uint64_t removed = 0;
    std::uint64_t failed = 0;
    std::uint64_t bytesFreed = 0;
};

// One progress report; it lives only for the length of the OnProgress call.
struct ProgressInfo {
    std::uint32_t category = kCategoryUnset;
    wchar_t path[kTextUnits] = {};
    std::uint32_t percent = 0;
    std::uint32_t count = 0;
    std::uint64_t reserved = 0;
};

// Implemented by the host. Called synchronously on the thread of the running
// operation. The host stops work only through SetStopFlag(1).
class IScanProgress {
public:
    virtual void OnProgress(const ProgressInfo* info) = 0;

protected:
    ~IScanProgress() = default;
};

// One fixed drive as GetDriveList shows it.
struct DriveDisplayEntry {
    std::uint32_t reserved = 0;
    HICON smallIcon = nullptr;             // owned by the host once handed over
    HICON largeIcon = nullptr;             // owned by the host once handed over
    wchar_t displayText[kTextUnits] = {};  // label + "(" + root + ")"
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
};

namespace Function {

class IBase {
public:
    // Destroys the object; the pointer is invalid afterwards.
    virtual void Release() = 0;

protected:
    ~IBase() = default;
};

// The cleaner as the host sees it. The order of the operations is part of
// the binary contract and never changes.
class IUnusedFileClean : public IBase {
public:
    // Scans one category: appends found items to results, adds to totals,
    // reports to callback (may be null). 1 done, 2 stopped.
    virtual std::uint32_t GetUnusedFile(int category, ResultList* results, ScanTotals* totals,
                                        IScanProgress* callback) = 0;
    // Removes the selected items of one category. The host's list is unchanged.
    virtual std::uint32_t CleanUnusedFile(int category, const ResultList& items,
                                          CleanTotals* totals, IScanProgress* callback) = 0;
    // Sets the browser's download folder (the desktop folder for null). 1 or 0.
    virtual int SetDefaultDownloadLocation(const wchar_t* path) = 0;
    // Reads (write == 0) or writes the browser's save folder; size in bytes.
    virtual int AccessSaveDirectory(wchar_t* buffer, int size, int write) = 0;
    // Deletes the search-assistant autocomplete list. Always 1.
    virtual int CleanSearchAssistantMru() = 0;
    // Empties the clipboard. Always 1.
    virtual int ClearClipboard() = 0;
    // Stores value into the stop flag; loops stop when it equals 1. Always 1.
    virtual int SetStopFlag(unsigned value) = 0;
    // Appends one entry per fixed drive. Always 1.
    virtual int GetDriveList(std::vector<DriveDisplayEntry>* out) = 0;
    // 1 when a broken desktop, Quick Launch or Start-menu shortcut exists.
    virtual int HasInvalidShortcut() = 0;
    // 1 when the recycle bins or the quick scans hold enough junk.
    virtual int IsCleanNeeded() = 0;
    // The same check over a wider set of scans.
    virtual int IsDeepCleanNeeded() = 0;
    // Shows "Test interface succeed"; returns the message box result.
    virtual int TestInterface() = 0;
    // Scans one drive's recycle bin and, on the system drive, five categories.
    virtual int ScanDrive(const wchar_t* driveRoot, ResultList* results, ScanTotals* totals,
                          IScanProgress* callback) = 0;
    // Removes a list whose category is taken from its first item.
    virtual std::uint32_t CleanItems(ResultList items, CleanTotals* totals,
                                     IScanProgress* callback) = 0;

protected:
    ~IUnusedFileClean() = default;
};

// The library's only export, by name "FunCreate" and ordinal 1. Returns a new
// independent cleaner, or null when memory runs out.
using FunCreateFn = IUnusedFileClean* (*)();

}  // namespace Function

extern "C" Function::IUnusedFileClean* FunCreate();

// Layout checks: these records cross the boundary, so their offsets are part
// of the contract on both architectures.
static_assert(offsetof(FoundItem, category) == 0);
static_assert(offsetof(FoundItem, selected) == 4);
static_assert(offsetof(FoundItem, size) == 8);
static_assert(offsetof(FoundItem, name) == 16);
static_assert(offsetof(FoundItem, folder) == 536);
static_assert(offsetof(FoundItem, typeText) == 1056);
static_assert(offsetof(FoundItem, created) == 1576);
static_assert(offsetof(FoundItem, accessed) == 1592);
static_assert(offsetof(FoundItem, written) == 1608);
static_assert(offsetof(FoundItem, icon) == 1624);
static_assert(sizeof(FoundItem) == 1632);
static_assert(offsetof(ProgressInfo, path) == 4);
static_assert(offsetof(ProgressInfo, percent) == 524);
static_assert(offsetof(ProgressInfo, count) == 528);
static_assert(offsetof(ProgressInfo, reserved) == 536);
static_assert(sizeof(ProgressInfo) == 544);
static_assert(sizeof(ScanTotals) == 16 && sizeof(CleanTotals) == 24);
#if defined(_WIN64)
static_assert(offsetof(DriveDisplayEntry, smallIcon) == 8);
static_assert(offsetof(DriveDisplayEntry, largeIcon) == 16);
static_assert(offsetof(DriveDisplayEntry, displayText) == 24);
static_assert(offsetof(DriveDisplayEntry, totalBytes) == 544);
static_assert(offsetof(DriveDisplayEntry, freeBytes) == 552);
static_assert(sizeof(DriveDisplayEntry) == 560);
#else
static_assert(offsetof(DriveDisplayEntry, smallIcon) == 4);
static_assert(offsetof(DriveDisplayEntry, largeIcon) == 8);
static_assert(offsetof(DriveDisplayEntry, displayText) == 12);
static_assert(offsetof(DriveDisplayEntry, totalBytes) == 536);
static_assert(offsetof(DriveDisplayEntry, freeBytes) == 544);
static_assert(sizeof(DriveDisplayEntry) == 552);
#endif
