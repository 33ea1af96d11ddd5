// Placeholder bodies with the results of an empty run, until the junk-file
// scan lands. Each is replaced by its real implementation file.
#include "core/system_clean.h"

std::uint32_t CSystemClean::GetUnusedFile(int, ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanFolder(const wchar_t* folder, ResultList*, ScanTotals*, IScanProgress*, const wchar_t*, int) { return folder ? 1 : 0; }
HICON CSystemClean::GetTypeIcon(const wchar_t*, int) { return nullptr; }
std::uint32_t CSystemClean::ScanFirefoxCookies(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanFirefoxDownloads(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanFirefoxFormHistory(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanFirefoxCaches(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanChromeProfile(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanUninstallFolders(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::ScanBrowserCaches(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::CleanUnusedFile(int, const ResultList&, CleanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::CleanItems(ResultList, CleanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::DeleteFoundFiles(ResultList, CleanTotals*, IScanProgress*) { return 1; }
std::uint32_t CSystemClean::DeleteFoundRegistryValues(ResultList, CleanTotals*, IScanProgress*) { return 1; }
int CSystemClean::EmptyRecycleBins(ResultList, CleanTotals*, const wchar_t*) { return 0; }
int CSystemClean::QueryRecycleBins(ScanTotals*, const wchar_t*) { return 1; }
HRESULT CSystemClean::EmptyRecycleBin() { return E_NOTIMPL; }

#include "scan/file_helpers.h"

namespace ufc {
DWORD MeasureFolder(const wchar_t* folder, std::uint64_t*, std::uint64_t*, std::uint64_t*, int) { return folder ? ERROR_NO_MORE_FILES : ERROR_INVALID_PARAMETER; }
int GetFileTimes(const wchar_t*, SYSTEMTIME*, SYSTEMTIME*, SYSTEMTIME*) { return 0; }
std::uint64_t GetFileSize64(const wchar_t*) { return 0; }
DWORD GetFileTypeName(const wchar_t*, std::size_t, wchar_t*) { return 0; }
}  // namespace ufc
