// One-step cleaners: single files, the collected-path lists, the Windows
// temporary folder, the update download cache and the clipboard.
#include <shlobj.h>
#include <shlwapi.h>

#include "core/system_clean.h"
#include "privacy/privacy_folders.h"
#include "fs/rooted_delete.h"
#include "util/shell_folders.h"

namespace {

// Read-only files go too; no result is examined.
void DeletePaths(const CSystemClean& cleaner, const PathList& paths, bool onlyExisting) {
    ufc::RootedDeleter deleter(cleaner.ScanRoots());
    for (const std::wstring& path : paths) {
        if (onlyExisting && !PathFileExistsW(path.c_str())) continue;
        deleter.DeleteFile(path.c_str());
    }
}

}  // namespace

BOOL CSystemClean::DeleteOneFile(std::wstring path) {
    if (path.empty()) return FALSE;
    return ufc::RootedDeleter(ScanRoots()).DeleteFile(path.c_str()) == ERROR_SUCCESS;
}

int CSystemClean::CleanUpdateDownloads() {
    wchar_t windows[MAX_PATH] = {};
    UINT units = GetWindowsDirectoryW(windows, MAX_PATH);
    if (units > 0 && units < MAX_PATH)
        ufc::EmptyFolderBelow(windows, L"\\SoftwareDistribution\\Download");
    return 1;
}

bool CSystemClean::DeleteListedDesktopShortcuts() {
    DeletePaths(*this, InvalidDesktopShortcuts, false);
    return true;
}

bool CSystemClean::DeleteListedStartMenuShortcuts() {
    DeletePaths(*this, InvalidStartMenuShortcuts, false);
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
    DeletePaths(*this, DumpFileList, true);
}
