// The category scan family: each member collects the files of one fixed place
// and hands them to the one reporting loop that every file-category scan
// shares. The members differ only in their row of the table below.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "categories/category_scans.h"
#include "categories/finders.h"
#include "categories/shortcuts.h"
#include "core/progress.h"
#include "core/system_clean.h"
#include "scan/file_helpers.h"
#include "fs/handles.h"
#include "fs/rooted_delete.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace {

enum class Place {
    SpecialFolder,       // the special folder plus the row's subfolder
    DriveRoot,           // the root of the drive holding the special folder
    WindowsAndMiniDump,  // the special folder, then its "MiniDump" subfolder
};

struct CategoryScan {
    std::uint32_t category;
    int csidl;
    bool create;
    const wchar_t* subfolder;  // appended to the special folder, or null
    Place place;
    const wchar_t* extensions[10];  // ends at the first null; none: every file
    bool recursive;
    bool countExamined;                      // progress carries ExaminedCount, which grows per item
    bool (*keep)(const std::wstring& path);  // further selection, or null
    bool intoDumpList;                       // collect into the cleaner's DumpFileList
};

enum ScanRow { kLogs, kCookies, kHistory, kChk, kOfficeRecent, kRecent, kWindowsTemp, kDumps };

// Extension lists are matched exactly, so each letter case wanted is listed.
// clang-format off
const CategoryScan kScans[] = {
    // category                  special folder  create subfolder                      place
    //   extensions                                                  recursive countExamined keep intoDumpList
    {kCategoryWindowsLogs,       CSIDL_WINDOWS,  false, nullptr,                       Place::SpecialFolder,
     {L".log", L".LOG", L".lo_", L".LO_", L".txt", L".TXT", L".Txt", L".bak", L".BAK"},
                                                                     true,  false, nullptr,                 false},
    {kCategoryCookies,           CSIDL_COOKIES,  false, nullptr,                       Place::SpecialFolder,
     {L".txt"},                                                      true,  false, nullptr,                 false},
    {kCategoryHistory,           CSIDL_HISTORY,  false, nullptr,                       Place::SpecialFolder,
     {},                                                             true,  false, nullptr,                 false},
    {kCategoryChkFragments,      CSIDL_WINDOWS,  true,  nullptr,                       Place::DriveRoot,
     {L".chk", L".CHK"},                                             false, true,  ufc::IsChkFragmentName,  false},
    {kCategoryOfficeRecent,      CSIDL_APPDATA,  false, L"\\Microsoft\\Office\\Recent", Place::SpecialFolder,
     {},                                                             true,  true,  nullptr,                 false},
    {kCategoryRecentDocuments,   CSIDL_RECENT,   false, nullptr,                       Place::SpecialFolder,
     {},                                                             true,  false, nullptr,                 false},
    {kCategoryWindowsTemp,       CSIDL_WINDOWS,  true,  L"\\Temp",                     Place::SpecialFolder,
     {},                                                             true,  false, nullptr,                 false},
    {kCategoryMemoryDumps,       CSIDL_WINDOWS,  false, nullptr,                       Place::WindowsAndMiniDump,
     {L".dmp"},                                                      false, false, nullptr,                 true},
};
// clang-format on

// The folders a row searches. A special folder that cannot be resolved gives
// none: an empty text must not turn into the root of the current drive.
std::vector<std::wstring> FoldersOf(const CategoryScan& scan) {
    std::wstring special = ufc::GetSpecialFolderPath(scan.csidl, scan.create);
    if (special.empty()) return {};
    switch (scan.place) {
        case Place::DriveRoot:
            if (special.size() < 2) return {};
            return {special.substr(0, 2)};
        case Place::WindowsAndMiniDump:
            return {special, special + (ufc::EndsWithBackslash(special.c_str()) ? L"" : L"\\") +
                                 L"MiniDump"};
        case Place::SpecialFolder:
            break;
    }
    return {scan.subfolder ? special + scan.subfolder : special};
}

std::uint32_t RunCategoryScan(CSystemClean& cleaner, const CategoryScan& scan, ResultList* results,
                              ScanTotals* totals, IScanProgress* callback) {
    std::vector<std::wstring> extensions;
    for (const wchar_t* extension : scan.extensions)
        if (extension) extensions.push_back(extension);
    const bool filter = !extensions.empty();

    PathList own;
    PathList& collected = scan.intoDumpList ? cleaner.DumpFileList : own;
    collected.clear();
    for (const auto& folder : FoldersOf(scan))
        ufc::FindFilesByExtension(folder, &collected, extensions, filter, scan.recursive);
    if (scan.keep) collected.remove_if([&scan](const std::wstring& p) { return !scan.keep(p); });

    return cleaner.RecordCollectedPaths(collected, scan.category, scan.countExamined, false,
                                        results, totals, callback);
}

// The file at folder + "\" + name, in a 260-unit buffer; false when it does
// not fit or the folder is unknown.
bool BuildPathIn(const wchar_t* folder, const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
    if (!folder || !folder[0] || !name) return false;
    return ufc::CopyExact(path, folder) && ufc::AppendExact(path, L"\\") &&
           ufc::AppendExact(path, name);
}

// The file name below a special folder; no link below that folder is
// followed.
BOOL DeleteFileIn(int csidl, const wchar_t* name) {
    const wchar_t* folder = ufc::GetSpecialFolderPathByIdList(csidl);
    wchar_t path[MAX_PATH];
    if (!BuildPathIn(folder, name, path)) return FALSE;
    return ufc::RootedDeleter({folder}).DeleteFile(path) == ERROR_SUCCESS;
}

}  // namespace

namespace ufc {

bool IsChkFragmentName(const std::wstring& path) {
    std::size_t slash = path.rfind(L'\\');
    std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    static const wchar_t kFile[] = L"FILE";
    for (std::size_t i = 0; i < 4; ++i) {
        if (start + i >= path.size()) return false;
        wchar_t c = path[start + i];
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != kFile[i]) return false;
    }
    return true;
}

}  // namespace ufc

std::uint32_t CSystemClean::RecordCollectedPaths(const PathList& paths, std::uint32_t category,
                                                 bool countExamined, bool shortcutIcons,
                                                 ResultList* results, ScanTotals* totals,
                                                 IScanProgress* callback) {
    if (!results || !totals) return 1;
    const std::uint64_t n = paths.size();
    std::uint32_t progress = 100;  // 100 * (i + 1), divided by n when reported
    for (const auto& path : paths) {
        if (StopRequested()) return 2;
        std::uint32_t count = countExamined ? static_cast<std::uint32_t>(ExaminedCount) : 0;
        ufc::ReportProgress(callback, category, path.c_str(), ufc::StepPercent(progress, n), count);

        FoundItem item;
        if (shortcutIcons) {
            // A shortcut is shown with the icon of its target's file type.
            wchar_t target[MAX_PATH] = {};
            ufc::ResolveShortcutTarget(path, target, MAX_PATH);
            item.icon = GetTypeIcon(target, 1);
        }
        item.category = category;
        // A file gone since collection still makes an item (size 0, no names).
        FillItemFromFile(path.c_str(), &item);
        results->push_back(item);
        totals->count += 1;
        totals->bytes += item.size;
        if (countExamined) ++ExaminedCount;
        progress += 100;
    }
    return 1;
}

int CSystemClean::FillItemFromFile(const wchar_t* path, FoundItem* item) {
    if (!path || !item || !PathFileExistsW(path)) return 0;

    item->size = 0;
    ufc::unique_hfile file(CreateFileW(path, GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length;
    if (file && GetFileSizeEx(file.get(), &length))
        item->size = static_cast<std::uint64_t>(length.QuadPart);
    file.reset();

    if (!ufc::GetFileTimes(path, &item->created, &item->accessed, &item->written))
        item->created = item->accessed = item->written = SYSTEMTIME{};

    item->selected = 1;
    const wchar_t* slash = wcsrchr(path, L'\\');
    if (slash) {
        ufc::CopyTruncated(item->name, slash + 1);
        ufc::CopyTruncated(item->folder, kTextUnits, path, static_cast<std::size_t>(slash - path));
    }
    return 1;
}

BOOL CSystemClean::DeleteDesktopFile(const wchar_t* name) {
    return DeleteFileIn(CSIDL_DESKTOP, name);
}

BOOL CSystemClean::DeleteProgramsFile(const wchar_t* name) {
    return DeleteFileIn(CSIDL_PROGRAMS, name);
}

std::uint32_t CSystemClean::ScanLogFiles(ResultList* results, ScanTotals* totals,
                                         IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kLogs], results, totals, callback);
}

std::uint32_t CSystemClean::ScanCookieFiles(ResultList* results, ScanTotals* totals,
                                            IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kCookies], results, totals, callback);
}

std::uint32_t CSystemClean::ScanHistoryFiles(ResultList* results, ScanTotals* totals,
                                             IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kHistory], results, totals, callback);
}

std::uint32_t CSystemClean::ScanChkFiles(ResultList* results, ScanTotals* totals,
                                         IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kChk], results, totals, callback);
}

std::uint32_t CSystemClean::ScanOfficeRecentFiles(ResultList* results, ScanTotals* totals,
                                                  IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kOfficeRecent], results, totals, callback);
}

std::uint32_t CSystemClean::ScanRecentFiles(ResultList* results, ScanTotals* totals,
                                            IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kRecent], results, totals, callback);
}

std::uint32_t CSystemClean::ScanWindowsTempFiles(ResultList* results, ScanTotals* totals,
                                                 IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kWindowsTemp], results, totals, callback);
}

std::uint32_t CSystemClean::ScanDumpFiles(ResultList* results, ScanTotals* totals,
                                          IScanProgress* callback) {
    return RunCategoryScan(*this, kScans[kDumps], results, totals, callback);
}
