// Placeholder bodies with the results of an empty run, until the
// file-category scanners land. Each is replaced by its real implementation.
#include "core/system_clean.h"

std::uint32_t CSystemClean::ScanRecycleBin(ResultList*, ScanTotals*, const wchar_t*, IScanProgress*) { return 1; }
int CSystemClean::FillRecycledItem(const RecycledEntry&, FoundItem*) { return 1; }
int CSystemClean::FillItemFromFile(const wchar_t*, FoundItem*) { return 0; }
std::uint32_t CSystemClean::RecordCollectedPaths(const PathList&, std::uint32_t, bool, bool, ResultList*, ScanTotals*, IScanProgress*) { return 1; }
BOOL CSystemClean::DeleteDesktopFile(const wchar_t*) { return FALSE; }
BOOL CSystemClean::DeleteProgramsFile(const wchar_t*) { return FALSE; }
std::uint32_t CSystemClean::ScanLogFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanCookieFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanHistoryFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanIECacheIndex(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
void CSystemClean::ListUpdateDownloads(PathList* paths) { paths->clear(); }
std::uint32_t CSystemClean::ScanChkFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanOfficeRecentFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanRecentFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanDesktopShortcuts(ResultList*, ScanTotals*, IScanProgress*) { InvalidDesktopShortcuts.clear(); return 1; }
std::uint32_t CSystemClean::ScanStartMenuShortcuts(ResultList*, ScanTotals*, IScanProgress*) { InvalidStartMenuShortcuts.clear(); return 1; }
std::uint32_t CSystemClean::ScanWindowsTempFiles(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanDumpFiles(ResultList*, ScanTotals*, IScanProgress*) { DumpFileList.clear(); return 1; }
