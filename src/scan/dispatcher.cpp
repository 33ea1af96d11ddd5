// The category dispatcher: one row per category says whether the progress
// counters start afresh and which work the category does.
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "core/system_clean.h"
#include "scan/browser_paths.h"
#include "scan/file_helpers.h"
#include "util/log_client.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace {

struct ScanCall {
    CSystemClean& cleaner;
    ResultList* results;
    ScanTotals* totals;
    IScanProgress* callback;
};

// A special folder with a fixed text after it. A backslash is put between
// the two unless one of them has it already. A folder the shell cannot
// resolve stays empty, so that no walk starts at the root of the drive.
struct FolderSpec {
    int csidl;
    bool create;
    const wchar_t* tail;
};

std::wstring Resolve(const FolderSpec& spec) {
    std::wstring folder = ufc::GetSpecialFolderPath(spec.csidl, spec.create);
    if (folder.empty() || !spec.tail[0]) return folder;
    if (!ufc::EndsWithBackslash(folder.c_str()) && spec.tail[0] != L'\\') folder += L'\\';
    return folder + spec.tail;
}

void Measure(CSystemClean& cleaner, const std::wstring& folder, int recurse) {
    ufc::AddFileCount(folder.c_str(), &cleaner.ExpectedCount, recurse);
}

std::uint32_t Scan(const ScanCall& call, const std::wstring& folder, const wchar_t* filter,
                   int recurse) {
    return call.cleaner.ScanFolder(folder.c_str(), call.results, call.totals, call.callback, filter,
                                   recurse);
}

// The folder-walk categories: measure every folder, then scan them in the
// same order; the last scan's result is the category's.
struct FolderWalk {
    FolderSpec folders[2];  // a csidl of 0 ends the list
    const wchar_t* filter;
    int recurse;
    bool chromeProfileFirst;  // history also takes Chrome's profile files
};

std::uint32_t RunWalk(const ScanCall& call, const FolderWalk& walk) {
    std::wstring folders[2];
    int count = 0;
    for (const FolderSpec& spec : walk.folders)
        if (spec.csidl) folders[count++] = Resolve(spec);
    for (int i = 0; i < count; ++i) Measure(call.cleaner, folders[i], walk.recurse);
    if (walk.chromeProfileFirst)
        call.cleaner.ScanChromeProfile(call.results, call.totals, call.callback);
    std::uint32_t result = 1;
    for (int i = 0; i < count; ++i) result = Scan(call, folders[i], walk.filter, walk.recurse);
    return result;
}

// clang-format off
const FolderWalk kCookies   = {{{CSIDL_COOKIES, false, L""}}, nullptr, 1, false};
const FolderWalk kHistory   = {{{CSIDL_HISTORY, false, L""}}, L".dat", 1, true};
const FolderWalk kCacheIdx  = {{{CSIDL_INTERNET_CACHE, false, L"\\Content.IE5"},
                                {CSIDL_COOKIES, false, L""}}, L".dat", 1, false};
const FolderWalk kRecent    = {{{CSIDL_RECENT, false, L""}}, nullptr, 1, false};
const FolderWalk kTemp      = {{{CSIDL_WINDOWS, true, L"\\Temp"}}, nullptr, 1, false};
const FolderWalk kDumps     = {{{CSIDL_WINDOWS, false, L""},
                                {CSIDL_WINDOWS, false, L"MiniDump"}}, L".dmp", 0, false};
const FolderWalk kLogs      = {{{CSIDL_WINDOWS, true, L""}}, L".log|.txt|.bak|.lo_", 1, false};

const FolderSpec kInternetCache = {CSIDL_INTERNET_CACHE, false, L""};
const FolderSpec kFixedFirefoxCache = {CSIDL_LOCAL_APPDATA, false, ufc::kFixedFirefoxCacheTail};
const FolderSpec kChromeCache = {CSIDL_LOCAL_APPDATA, false, ufc::kChromeCacheTail};
// clang-format on

// The category-1 log is open for the length of the scan and closed on
// every way out of it.
class InternetFilesLog {
public:
    explicit InternetFilesLog(CSystemClean& cleaner) : cleaner_(cleaner) {
        cleaner_.LogHandle = ufc::LogOpen("TemporaryInternetFile.txt");
        if (cleaner_.LogHandle < 0) return;
        std::string header =
            "\n\n\n" + std::string(67, '=') + "start logging internet temp files \n";
        ufc::LogWrite("CSystemClean::GetUnusedFile", ".\\cleanup", 3249, header.c_str());
    }
    ~InternetFilesLog() {
        if (cleaner_.LogHandle == -1) return;
        cleaner_.LogHandle = -1;
        ufc::LogClose();
    }
    InternetFilesLog(const InternetFilesLog&) = delete;
    InternetFilesLog& operator=(const InternetFilesLog&) = delete;

private:
    CSystemClean& cleaner_;
};

bool IsDesktopIni(const FoundItem& item) {
    // Exactly these three spellings; Desktop.INI and the like stay.
    for (const wchar_t* name : {L"desktop.ini", L"DESKTOP.ini", L"Desktop.ini"})
        if (wcscmp(item.name, name) == 0) return true;
    return false;
}

std::uint32_t InternetTempFiles(const ScanCall& call) {
    InternetFilesLog log(call.cleaner);
    std::wstring internetCache = Resolve(kInternetCache);
    std::wstring chromeCache = Resolve(kChromeCache);
    Measure(call.cleaner, internetCache, 1);
    // The fixed Firefox cache counts towards the total but is not scanned:
    // ScanFirefoxCaches walks every profile's cache instead.
    Measure(call.cleaner, Resolve(kFixedFirefoxCache), 1);
    Measure(call.cleaner, chromeCache, 1);
    if (call.cleaner.ExpectedCount == 0) return 1;

    Scan(call, internetCache, nullptr, 1);
    std::uint32_t result = call.cleaner.ScanFirefoxCaches(call.results, call.totals, call.callback);
    Scan(call, chromeCache, nullptr, 1);
    // Folder-settings files are no junk, wherever in the list they stand.
    call.results->remove_if(IsDesktopIni);
    return result;
}

std::uint32_t RecycleBin(const ScanCall& call) {
    CSystemClean& cleaner = call.cleaner;
    cleaner.QueryRecycleBins(call.totals, nullptr);
    // The listing counts its progress against the bins' item count.
    cleaner.ExpectedCount = call.totals->count;
    cleaner.ExaminedCount = cleaner.FoundCount = 0;
    cleaner.CurrentCategory = kCategoryRecycleBin;
    cleaner.ScanRecycleBin(call.results, call.totals, nullptr, call.callback);
    return 1;
}

std::uint32_t FirefoxHistory(const ScanCall&) {
    OutputDebugStringW(L"GetFFInternetHistory");
    return 1;
}

std::uint32_t UninstallFolders(const ScanCall& call) {
    call.cleaner.ScanUninstallFolders(call.results, call.totals, call.callback);
    return 1;
}

using MemberScan = std::uint32_t (CSystemClean::*)(ResultList*, ScanTotals*, IScanProgress*);

// One row per category, 1 to 24. A row names a folder walk, a cleaner scan
// whose result is the category's, or work of its own; a row with none of
// them scans nothing and gives 1.
struct CategoryRow {
    bool resetsCounters;
    const FolderWalk* walk;
    MemberScan scan;
    std::uint32_t (*work)(const ScanCall&);
};

// clang-format off
const CategoryRow kRows[] = {
    /*  1 */ {true,  nullptr,    nullptr,                              InternetTempFiles},
    /*  2 */ {true,  &kCookies,  nullptr,                              nullptr},
    /*  3 */ {true,  &kHistory,  nullptr,                              nullptr},
    /*  4 */ {true,  nullptr,    &CSystemClean::ScanTypedUrls,         nullptr},
    /*  5 */ {true,  nullptr,    nullptr,                              nullptr},
    /*  6 */ {true,  &kCacheIdx, nullptr,                              nullptr},
    /*  7 */ {true,  &kRecent,   nullptr,                              nullptr},
    /*  8 */ {true,  nullptr,    &CSystemClean::ScanRunMru,            nullptr},
    /*  9 */ {true,  &kTemp,     nullptr,                              nullptr},
    /* 10 */ {true,  &kDumps,    nullptr,                              nullptr},
    /* 11 */ {true,  nullptr,    &CSystemClean::ScanChkFiles,          nullptr},
    /* 12 */ {true,  &kLogs,     nullptr,                              nullptr},
    /* 13 */ {true,  nullptr,    &CSystemClean::ScanStartMenuShortcuts, nullptr},
    /* 14 */ {true,  nullptr,    &CSystemClean::ScanDesktopShortcuts,  nullptr},
    /* 15 */ {true,  nullptr,    &CSystemClean::ScanOfficeRecentFiles, nullptr},
    /* 16 */ {false, nullptr,    nullptr,                              RecycleBin},
    /* 17 */ {false, nullptr,    nullptr,                              nullptr},
    /* 18 */ {false, nullptr,    &CSystemClean::ScanFirefoxCookies,    nullptr},
    /* 19 */ {false, nullptr,    &CSystemClean::ScanFirefoxDownloads,  nullptr},
    /* 20 */ {false, nullptr,    &CSystemClean::ScanFirefoxCaches,     nullptr},
    /* 21 */ {false, nullptr,    nullptr,                              FirefoxHistory},
    /* 22 */ {false, nullptr,    &CSystemClean::ScanFirefoxFormHistory, nullptr},
    /* 23 */ {false, nullptr,    nullptr,                              UninstallFolders},
    /* 24 */ {false, nullptr,    nullptr,                              nullptr},
};
// clang-format on
static_assert(sizeof kRows / sizeof kRows[0] == kCategoryNone, "one row per category");

}  // namespace

std::uint32_t CSystemClean::GetUnusedFile(int category, ResultList* results, ScanTotals* totals,
                                          IScanProgress* callback) {
    if (category < 1 || category > static_cast<int>(kCategoryNone)) return 1;
    const CategoryRow& row = kRows[category - 1];
    if (row.resetsCounters) {
        ExpectedCount = ExaminedCount = FoundCount = 0;
        CurrentCategory = static_cast<std::uint32_t>(category);
    }
    ScanCall call{*this, results, totals, callback};
    if (row.walk) return RunWalk(call, *row.walk);
    if (row.scan) return (this->*row.scan)(results, totals, callback);
    if (row.work) return row.work(call);
    return 1;
}
