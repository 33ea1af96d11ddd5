// The cache-index files of Internet Explorer and the Windows Update download
// listing: both collect by name suffix rather than by extension.
#include <windows.h>
#include <shlobj.h>

#include "categories/finders.h"
#include "core/system_clean.h"
#include "util/shell_folders.h"

std::uint32_t CSystemClean::ScanIECacheIndex(ResultList* results, ScanTotals* totals,
                                             IScanProgress* callback) {
    // The lookup's buffer is shared by every caller: copy it at once.
    std::wstring folder = ufc::GetSpecialFolderPathByIdList(CSIDL_INTERNET_CACHE);
    PathList paths;
    if (!folder.empty()) ufc::FindFilesBySuffix(folder + L"\\Content.IE5", &paths, L".dat", true);
    return RecordCollectedPaths(paths, kCategoryCacheIndex, false, false, results, totals,
                                callback);
}

void CSystemClean::ListUpdateDownloads(PathList* paths) {
    if (!paths) return;
    paths->clear();
    wchar_t windows[256] = {};
    UINT length = GetWindowsDirectoryW(windows, 256);
    if (length == 0 || length >= 256) return;  // no folder, or it did not fit
    ufc::FindFilesBySuffix(std::wstring(windows) + L"\\SoftwareDistribution\\Download", paths, L"",
                           true);
}
