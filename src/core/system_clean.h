// CSystemClean: the object that does the module's work. The facade owns one
// for its whole life; one host operation at a time runs on it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "UnusedFileClean.h"

using PathList = std::list<std::wstring>;
using NameList = std::list<std::wstring>;
using NameMap = std::map<std::wstring, std::wstring>;

// The eight column texts of one recycle-bin entry, as the shell shows them.
struct RecycledEntry {
    wchar_t columns[8][260];
};

// 2 when this is a 32-bit process on 64-bit Windows, 1 otherwise.
int IsWow64();
// Switches the calling thread's file-system redirection; 0 when unavailable.
BOOL EnableWow64FsRedirection(BOOL enable);

class CSystemClean {
public:
    CSystemClean();
    CSystemClean(const CSystemClean&) = delete;
    CSystemClean& operator=(const CSystemClean&) = delete;

    // --- Virtual operations, in the order of the cleaner's table. ---------
    virtual HRESULT EmptyRecycleBin();
    virtual BOOL DeleteDesktopFile(const wchar_t* name);
    virtual BOOL DeleteProgramsFile(const wchar_t* name);
    virtual int ScanMuiCache(NameMap* names);
    virtual int CleanMuiCache(std::wstring valueName);
    virtual int ScanAppPaths(NameMap* names);
    virtual int CleanAppPaths(std::wstring subkeyName);
    virtual int ScanSharedDlls(NameList* names, bool zeroCountOnly);
    virtual int CleanSharedDlls(std::wstring valueName);
    virtual std::uint32_t ScanLogFiles(ResultList* results, ScanTotals* totals,
                                       IScanProgress* callback);
    virtual BOOL DeleteOneFile(std::wstring path);
    virtual std::uint32_t ScanCookieFiles(ResultList* results, ScanTotals* totals,
                                          IScanProgress* callback);
    virtual std::uint32_t ScanHistoryFiles(ResultList* results, ScanTotals* totals,
                                           IScanProgress* callback);
    virtual std::uint32_t ScanIECacheIndex(ResultList* results, ScanTotals* totals,
                                           IScanProgress* callback);
    virtual void ListUpdateDownloads(PathList* paths);
    virtual void ScanEmptySoftwareKeys(NameList* names);
    virtual bool ClearUrlHistory();
    virtual int CleanUpdateDownloads();
    virtual int SetDefaultDownloadLocation(const wchar_t* path);
    virtual int AccessSaveDirectory(wchar_t* buffer, int size, int write);
    virtual int ClearBrowserTracks();
    virtual int CleanProtectedStorage();
    virtual bool DeleteIntelliForms();
    virtual int GetCurrentUserSid(PSID* sid);
    virtual void SidToText(PSID sid, wchar_t* text);  // text holds 256 units
    virtual int GetKeySecurity(HKEY root, const wchar_t* subkey, PSECURITY_DESCRIPTOR* saved);
    virtual int BuildUserFullAccessDescriptor(PSID user, PSECURITY_DESCRIPTOR descriptor,
                                              PACL* dacl);
    virtual int SetKeySecurityTree(HKEY root, const wchar_t* subkey,
                                   PSECURITY_DESCRIPTOR descriptor, bool recursive);
    virtual bool IsNtBelowVersion5();
    virtual bool IsNtVersion5OrLater();
    virtual std::uint32_t ScanChkFiles(ResultList* results, ScanTotals* totals,
                                       IScanProgress* callback);
    virtual std::uint32_t ScanOfficeRecentFiles(ResultList* results, ScanTotals* totals,
                                                IScanProgress* callback);
    virtual void CleanOfficeRecent();
    virtual std::uint32_t ScanRecentFiles(ResultList* results, ScanTotals* totals,
                                          IScanProgress* callback);
    virtual void CleanRecentDocuments();
    virtual std::uint32_t ScanDesktopShortcuts(ResultList* results, ScanTotals* totals,
                                               IScanProgress* callback);
    virtual bool DeleteListedDesktopShortcuts();
    virtual std::uint32_t ScanStartMenuShortcuts(ResultList* results, ScanTotals* totals,
                                                 IScanProgress* callback);
    virtual bool DeleteListedStartMenuShortcuts();
    virtual std::uint32_t ScanBrowserCaches(ResultList* results, ScanTotals* totals,
                                            IScanProgress* callback);
    virtual std::uint32_t ScanTypedUrls(ResultList* results, ScanTotals* totals,
                                        IScanProgress* callback);
    virtual int CleanTypedUrls(CleanTotals* totals);
    virtual std::uint32_t ScanRunMru(ResultList* results, ScanTotals* totals,
                                     IScanProgress* callback);
    virtual int CleanRunMru(CleanTotals* totals);
    virtual LSTATUS CleanSearchAssistantMru();
    virtual LSTATUS CleanIntelliForms();
    virtual std::uint32_t ScanWindowsTempFiles(ResultList* results, ScanTotals* totals,
                                               IScanProgress* callback);
    virtual void CleanWindowsTemp();
    virtual BOOL ClearClipboard();
    virtual std::uint32_t ScanDumpFiles(ResultList* results, ScanTotals* totals,
                                        IScanProgress* callback);
    virtual void DeleteListedDumpFiles();
    virtual ~CSystemClean();

    // --- Category dispatcher (scan/dispatcher.cpp). -----------------------
    std::uint32_t GetUnusedFile(int category, ResultList* results, ScanTotals* totals,
                                IScanProgress* callback);

    // --- Folder scanner and per-file helpers (scan/folder_scanner.cpp). ---
    std::uint32_t ScanFolder(const wchar_t* folder, ResultList* results, ScanTotals* totals,
                             IScanProgress* callback, const wchar_t* extensionFilter, int recurse);
    HICON GetTypeIcon(const wchar_t* path, int small);

    // --- Browser profile stores (scan/browser_stores.cpp). ----------------
    std::uint32_t ScanFirefoxCookies(ResultList* results, ScanTotals* totals,
                                     IScanProgress* callback);
    std::uint32_t ScanFirefoxDownloads(ResultList* results, ScanTotals* totals,
                                       IScanProgress* callback);
    std::uint32_t ScanFirefoxFormHistory(ResultList* results, ScanTotals* totals,
                                         IScanProgress* callback);
    std::uint32_t ScanFirefoxCaches(ResultList* results, ScanTotals* totals,
                                    IScanProgress* callback);
    std::uint32_t ScanChromeProfile(ResultList* results, ScanTotals* totals,
                                    IScanProgress* callback);
    std::uint32_t ScanUninstallFolders(ResultList* results, ScanTotals* totals,
                                       IScanProgress* callback);

    // --- Recycle bin (scan/recycle_bin.cpp). ------------------------------
    std::uint32_t ScanRecycleBin(ResultList* results, ScanTotals* totals, const wchar_t* drive,
                                 IScanProgress* callback);
    int FillRecycledItem(const RecycledEntry& entry, FoundItem* item);

    // --- Removal (scan/removal.cpp). ---------------------------------------
    std::uint32_t CleanUnusedFile(int category, const ResultList& items, CleanTotals* totals,
                                  IScanProgress* callback);
    std::uint32_t CleanItems(ResultList items, CleanTotals* totals, IScanProgress* callback);
    std::uint32_t DeleteFoundFiles(ResultList items, CleanTotals* totals, IScanProgress* callback);
    std::uint32_t DeleteFoundRegistryValues(ResultList items, CleanTotals* totals,
                                            IScanProgress* callback);
    int EmptyRecycleBins(ResultList items, CleanTotals* totals, const wchar_t* root);
    int QueryRecycleBins(ScanTotals* totals, const wchar_t* drive);
    // The folders the scans start from (scan/scan_roots.cpp): removal follows
    // no link below them.
    std::vector<std::wstring> ScanRoots() const;

    // --- Category scan family (categories/category_scans.cpp). ------------
    int FillItemFromFile(const wchar_t* path, FoundItem* item);
    // The reporting loop that the file-category, shortcut and cache-index
    // scans share: one progress report and one item per collected path.
    // countExamined: report ExaminedCount as the count and grow it per item.
    std::uint32_t RecordCollectedPaths(const PathList& paths, std::uint32_t category,
                                       bool countExamined, bool shortcutIcons, ResultList* results,
                                       ScanTotals* totals, IScanProgress* callback);

    bool StopRequested() const { return StopFlag.load(std::memory_order_relaxed) == 1; }

    // --- State, in declaration order. --------------------------------------
    int Wow64 = 0;
    std::int32_t LogHandle = -1;
    std::map<std::wstring, HICON> IconCache;
    std::wstring CurrentDrive;
    std::uint64_t ExpectedCount = 0;
    std::uint64_t ExaminedCount = 0;
    std::uint64_t FoundCount = 0;
    std::uint32_t CurrentCategory = 0;
    // Written by the host, possibly from another thread, while a loop runs;
    // an aligned 32-bit word read before every step.
    std::atomic<std::uint32_t> StopFlag{0};
    PathList InvalidDesktopShortcuts;
    PathList InvalidStartMenuShortcuts;
    PathList DumpFileList;
};

constexpr std::size_t kIconCacheLimit = 2048;
