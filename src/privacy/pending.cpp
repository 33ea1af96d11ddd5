// Placeholder bodies with the results of an empty run, until the privacy
// cleaners land. Each is replaced by its real implementation file.
#include "core/system_clean.h"

int CSystemClean::ScanMuiCache(NameMap* names) { names->clear(); return 0; }
int CSystemClean::CleanMuiCache(std::wstring) { return 0; }
int CSystemClean::ScanAppPaths(NameMap* names) { names->clear(); return 0; }
int CSystemClean::CleanAppPaths(std::wstring) { return 0; }
int CSystemClean::ScanSharedDlls(NameList* names, bool) { names->clear(); return 0; }
int CSystemClean::CleanSharedDlls(std::wstring) { return 0; }
BOOL CSystemClean::DeleteOneFile(std::wstring) { return FALSE; }
void CSystemClean::ScanEmptySoftwareKeys(NameList*) {}
bool CSystemClean::ClearUrlHistory() { return false; }
int CSystemClean::CleanUpdateDownloads() { return 1; }
int CSystemClean::SetDefaultDownloadLocation(const wchar_t*) { return 0; }
int CSystemClean::AccessSaveDirectory(wchar_t*, int, int) { return 0; }
int CSystemClean::ClearBrowserTracks() { return 0; }
int CSystemClean::CleanProtectedStorage() { return 1; }
bool CSystemClean::DeleteIntelliForms() { return false; }
int CSystemClean::GetCurrentUserSid(PSID* sid) { *sid = nullptr; return 0; }
void CSystemClean::SidToText(PSID, wchar_t* text) { text[0] = 0; }
int CSystemClean::GetKeySecurity(HKEY, const wchar_t*, PSECURITY_DESCRIPTOR* saved) { *saved = nullptr; return 0; }
int CSystemClean::BuildUserFullAccessDescriptor(PSID, PSECURITY_DESCRIPTOR, PACL* dacl) { *dacl = nullptr; return 0; }
int CSystemClean::SetKeySecurityTree(HKEY, const wchar_t*, PSECURITY_DESCRIPTOR, bool) { return 0; }
void CSystemClean::CleanOfficeRecent() {}
void CSystemClean::CleanRecentDocuments() {}
bool CSystemClean::DeleteListedDesktopShortcuts() { return true; }
bool CSystemClean::DeleteListedStartMenuShortcuts() { return true; }
std::uint32_t CSystemClean::ScanTypedUrls(ResultList*, ScanTotals*, IScanProgress*) { return 0; }
int CSystemClean::CleanTypedUrls(CleanTotals*) { return 0; }
std::uint32_t CSystemClean::ScanRunMru(ResultList*, ScanTotals*, IScanProgress*) { return 1; }
int CSystemClean::CleanRunMru(CleanTotals*) { return 0; }
LSTATUS CSystemClean::CleanSearchAssistantMru() { return ERROR_FILE_NOT_FOUND; }
LSTATUS CSystemClean::CleanIntelliForms() { return ERROR_FILE_NOT_FOUND; }
void CSystemClean::CleanWindowsTemp() {}
BOOL CSystemClean::ClearClipboard() { return FALSE; }
void CSystemClean::DeleteListedDumpFiles() {}
