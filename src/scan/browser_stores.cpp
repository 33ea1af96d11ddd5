// Browser profile stores, browser caches and left-over uninstall folders.
#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "core/progress.h"
#include "core/system_clean.h"
#include "scan/browser_paths.h"
#include "scan/file_helpers.h"
#include "fs/walk_rules.h"
#include "fs/handles.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace {

using FolderNames = std::vector<std::wstring>;

// The special folder + tail; empty when the shell cannot resolve the folder,
// so that the tail alone never names a folder at the root of the drive.
std::wstring SpecialPlus(int csidl, const wchar_t* tail) {
    std::wstring folder = ufc::GetSpecialFolderPath(csidl, false);
    return folder.empty() ? folder : folder + tail;
}

// Names of the folders directly inside parent (which ends in a backslash)
// that a walk may enter and for which keep holds, in enumeration order.
// false when parent cannot be enumerated.
template <typename Keep>
bool ListSubfolders(const std::wstring& parent, FolderNames* names, Keep keep) {
    wchar_t pattern[ufc::kPathUnits];
    if (parent.empty() || !ufc::JoinPath(pattern, parent.c_str(), L"*.*")) return false;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW(pattern, &entry));
    if (!find) return false;
    do {
        if (ufc::IsWalkableFolder(entry) && keep(entry.cFileName))
            names->push_back(entry.cFileName);
    } while (FindNextFileW(find.get(), &entry));
    return true;
}

bool AnyName(const wchar_t*) {
    return true;
}

// The three Firefox store scans differ only in their row.
struct FirefoxStore {
    std::uint32_t category;
    const wchar_t* file;
};

const FirefoxStore kCookieStore = {kCategoryFirefoxCookies, L"cookies.sqlite"};
const FirefoxStore kDownloadStore = {kCategoryFirefoxDownloads, L"downloads.sqlite"};
const FirefoxStore kFormHistoryStore = {kCategoryFirefoxFormHistory, L"formhistory.sqlite"};

void FillStoreItem(CSystemClean& cleaner, const FirefoxStore& store, const wchar_t* profileFolder,
                   const wchar_t* storePath, FoundItem* item) {
    item->icon = cleaner.GetTypeIcon(storePath, 1);
    item->category = store.category;
    ufc::CopyExact(item->folder, profileFolder);
    ufc::CopyExact(item->name, store.file);
    ufc::GetFileTypeName(L".sqlite", ufc::kPathUnits, item->typeText);
    item->size = ufc::GetFileSize64(storePath);
    ufc::GetFileTimes(storePath, &item->created, &item->accessed, &item->written);
}

std::uint32_t ScanFirefoxStore(CSystemClean& cleaner, const FirefoxStore& store,
                               ResultList* results, ScanTotals* totals, IScanProgress* callback) {
    std::wstring profiles = SpecialPlus(CSIDL_APPDATA, ufc::kFirefoxProfilesTail);
    FolderNames names;
    if (!ListSubfolders(profiles, &names, AnyName) || names.empty()) return 1;

    std::uint32_t made = 0;
    std::uint32_t step = 100;  // grows only when a profile gave an item
    for (const std::wstring& name : names) {
        if (cleaner.StopRequested()) return 2;
        ufc::ReportProgress(callback, store.category, name.c_str(),
                            ufc::StepPercent(step, names.size()), made);
        wchar_t profileFolder[ufc::kPathUnits], storePath[ufc::kPathUnits];
        if (!ufc::JoinPath(profileFolder, profiles.c_str(), name.c_str()) ||
            !ufc::JoinPath(storePath, profileFolder, L"\\", store.file) ||
            !PathFileExistsW(storePath))
            continue;
        FoundItem item;
        FillStoreItem(cleaner, store, profileFolder, storePath, &item);
        totals->count += 1;
        totals->bytes += item.size;
        results->push_back(item);
        made += 1;
        step += 100;
    }
    return 1;
}

}  // namespace

std::uint32_t CSystemClean::ScanFirefoxCookies(ResultList* results, ScanTotals* totals,
                                               IScanProgress* callback) {
    return ScanFirefoxStore(*this, kCookieStore, results, totals, callback);
}

std::uint32_t CSystemClean::ScanFirefoxDownloads(ResultList* results, ScanTotals* totals,
                                                 IScanProgress* callback) {
    return ScanFirefoxStore(*this, kDownloadStore, results, totals, callback);
}

std::uint32_t CSystemClean::ScanFirefoxFormHistory(ResultList* results, ScanTotals* totals,
                                                   IScanProgress* callback) {
    return ScanFirefoxStore(*this, kFormHistoryStore, results, totals, callback);
}

std::uint32_t CSystemClean::ScanFirefoxCaches(ResultList* results, ScanTotals* totals,
                                              IScanProgress* callback) {
    std::wstring profiles = SpecialPlus(CSIDL_LOCAL_APPDATA, ufc::kFirefoxProfilesTail);
    FolderNames names;
    if (!ListSubfolders(profiles, &names, AnyName)) return 1;
    for (const std::wstring& name : names) {
        wchar_t cache[ufc::kPathUnits];
        if (!ufc::JoinPath(cache, profiles.c_str(), name.c_str(), L"\\cache")) continue;
        // Each profile's cache is a scan of its own, counted from zero; the
        // items found before stay counted in FoundCount.
        ExpectedCount = ExaminedCount = 0;
        CurrentCategory = kCategoryFirefoxCaches;
        ufc::AddFileCount(cache, &ExpectedCount, 1);
        ScanFolder(cache, results, totals, callback, nullptr, 1);
    }
    return 1;
}

std::uint32_t CSystemClean::ScanChromeProfile(ResultList* results, ScanTotals* totals,
                                              IScanProgress* callback) {
    std::wstring profile = SpecialPlus(CSIDL_LOCAL_APPDATA, ufc::kChromeProfileTail);
    return ScanFolder(profile.c_str(), results, totals, callback, nullptr, 0);
}

std::uint32_t CSystemClean::ScanUninstallFolders(ResultList* results, ScanTotals* totals,
                                                 IScanProgress* callback) {
    std::wstring windows = ufc::GetSpecialFolderPath(CSIDL_WINDOWS, false);
    if (windows.empty()) return 1;
    if (!ufc::EndsWithBackslash(windows.c_str())) windows += L'\\';
    FolderNames names;
    // The marker is matched case-sensitively, as the update installer writes it.
    ListSubfolders(windows, &names,
                   [](const wchar_t* name) { return wcsstr(name, L"$NtUninstall") != nullptr; });
    std::vector<std::wstring> folders;
    for (const std::wstring& name : names)
        if (windows.size() + name.size() < ufc::kPathUnits) folders.push_back(windows + name);
    if (folders.empty()) return 1;

    ExaminedCount = FoundCount = ExpectedCount = 0;
    CurrentCategory = kCategoryUninstallFolders;
    for (const std::wstring& folder : folders) ufc::AddFileCount(folder.c_str(), &ExpectedCount, 0);
    // Folders whose files all lie deeper down are left alone.
    if (ExpectedCount == 0) return 1;
    for (const std::wstring& folder : folders)
        ScanFolder(folder.c_str(), results, totals, callback, nullptr, 1);
    return 1;
}

std::uint32_t CSystemClean::ScanBrowserCaches(ResultList* results, ScanTotals* totals,
                                              IScanProgress* callback) {
    const std::wstring folders[] = {
        ufc::GetSpecialFolderPath(CSIDL_INTERNET_CACHE, false),
        SpecialPlus(CSIDL_LOCAL_APPDATA, ufc::kFixedFirefoxCacheTail),
        SpecialPlus(CSIDL_LOCAL_APPDATA, ufc::kChromeCacheTail),
    };
    for (const std::wstring& folder : folders)
        if (ScanFolder(folder.c_str(), results, totals, callback, nullptr, 1) == 2) return 2;
    return 1;
}
