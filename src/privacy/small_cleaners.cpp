// One-step cleaners: single files, the collected-path lists, the Windows
// temporary folder, the update download cache and the clipboard.
#include <shlobj.h>
#include <shlwapi.h>

#include "core/system_clean.h"
#include "privacy/privacy_folders.h"
#include "util/shell_folders.h"

namespace {

// Attributes are cleared first so that read-only files go too; neither
// result is examined.
void DeletePaths(const PathList& paths, bool onlyExisting) {
    for (const std::wstring& path : paths) {
        if (onlyExisting && !PathFileExistsW(path.c_str())) continue;
        SetFileAttributesW(path.c_str(), 0);
        DeleteFileW(path.c_str());
    }
}

}  // namespace

BOOL CSystemClean::DeleteOneFile(std::wstring path) {
    if (path.empty()) return FALSE;
    SetFileAttributesW(path.c_str(), 0);
    return DeleteFileW(path.c_str());
}

int CSystemClean::CleanUpdateDownloads() {
    wchar_t windows[MAX_PATH] = {};
    UINT units = GetWindowsDirectoryW(windows, MAX_PATH);
    if (units > 0 && units < MAX_PATH)
        ufc::EmptyFolderBelow(windows, L"\\SoftwareDistribution\\Download");
    return 1;
}

bool CSystemClean::DeleteListedDesktopShortcuts() {
    DeletePaths(InvalidDesktopShortcuts, false);
    return true;
}

bool CSystemClean::DeleteListedStartMenuShortcuts() {
    DeletePaths(InvalidStartMenuShortcuts, false);
    return true;
}

void CSystemClean::CleanWindowsTemp() {
    ufc::EmptyFolderBelow(ufc::GetSpecialFolderPath(CSIDL_WINDOWS, true), L"\\Temp");
}

// The clipboard is emptied only when this call opened it; it is closed in
// every case.
BOOL CSystemClean::ClearClipboard() {
    if (OpenClipboard(nullptr) == 1) EmptyClipboard();
    return CloseClipboard();
}

void CSystemClean::DeleteListedDumpFiles() {
    DeletePaths(DumpFileList, true);
}
