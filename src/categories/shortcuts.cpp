#include "categories/shortcuts.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "categories/finders.h"
#include "categories/path_views.h"
#include "core/wmi_init.h"
#include "core/system_clean.h"
#include "fs/handles.h"
#include "util/shell_folders.h"
#include "fs/path_text.h"

namespace ufc {

bool ResolveShortcutTarget(const std::wstring& shortcutPath, wchar_t* target, int capacity) {
    WmiInit comScope;
    com_ptr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())))
        return false;
    com_ptr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;

    wchar_t path[kPathUnits];
    if (!CopyExact(path, shortcutPath.c_str())) return false;
    if (FAILED(file->Load(path, STGM_READ))) return false;

    if (!target || capacity <= 0) return false;
    WIN32_FIND_DATAW findData;
    return SUCCEEDED(link->GetPath(target, capacity, &findData, 0));
}

int TargetExistsInAnyView(const wchar_t* target) {
    if (!target) return 1;
    const PathViews views = RewritePathViews(target);
    auto eitherExists = [&views] {
        return PathFileExistsW(views.first.c_str()) || PathFileExistsW(views.second.c_str());
    };
    // First pass: the real system folders, as a 64-bit program sees them.
    EnableWow64FsRedirection(FALSE);
    bool found = eitherExists();
    // Second pass with redirection back on, which is also the state the
    // thread is left in.
    EnableWow64FsRedirection(TRUE);
    if (!found) found = eitherExists();
    return found ? 1 : 0;
}

}  // namespace ufc

namespace {

struct ShortcutFolder {
    int csidl;
    const wchar_t* subfolder;  // appended to the special folder, or null
};

struct ShortcutScan {
    ShortcutFolder folders[4];
    std::size_t folderCount;
    PathList CSystemClean::*invalidList;
    std::uint32_t category;
};

const ShortcutScan kDesktopShortcuts = {
    {{CSIDL_DESKTOP, nullptr},
     {CSIDL_COMMON_DESKTOPDIRECTORY, nullptr},
     {CSIDL_APPDATA, L"\\Microsoft\\Internet Explorer\\Quick Launch"},
     {CSIDL_COMMON_APPDATA, L"\\Microsoft\\Internet Explorer\\Quick Launch"}},
    4,
    &CSystemClean::InvalidDesktopShortcuts,
    kCategoryDesktopShortcuts};

const ShortcutScan kStartMenuShortcuts = {
    {{CSIDL_STARTMENU, nullptr}, {CSIDL_COMMON_STARTMENU, nullptr}},
    2,
    &CSystemClean::InvalidStartMenuShortcuts,
    kCategoryStartMenuShortcuts};

// A shortcut is broken when it stores a file path that exists in no view. One
// that cannot be read, or stores no file path, counts as valid.
bool IsBrokenShortcut(const CSystemClean& cleaner, const std::wstring& shortcut) {
    wchar_t target[MAX_PATH] = {};
    ufc::ResolveShortcutTarget(shortcut, target, MAX_PATH);
    if (target[0] == 0) return false;
    if (cleaner.Wow64 == 1) return ufc::TargetExistsInAnyView(target) == 0;
    return !PathFileExistsW(target);
}

std::uint32_t RunShortcutScan(CSystemClean& cleaner, const ShortcutScan& scan, ResultList* results,
                              ScanTotals* totals, IScanProgress* callback) {
    PathList shortcuts;
    for (std::size_t i = 0; i < scan.folderCount; ++i) {
        const ShortcutFolder& place = scan.folders[i];
        std::wstring folder = ufc::GetSpecialFolderPath(place.csidl, false);
        if (folder.empty()) continue;  // a missing folder adds nothing
        if (place.subfolder) folder += place.subfolder;
        ufc::FindFilesByExtension(folder, &shortcuts, {L".lnk"}, true, true);
    }
    PathList& invalid = cleaner.*scan.invalidList;
    invalid.clear();
    for (const auto& shortcut : shortcuts)
        if (IsBrokenShortcut(cleaner, shortcut)) invalid.push_back(shortcut);
    return cleaner.RecordCollectedPaths(invalid, scan.category, true, true, results, totals,
                                        callback);
}

}  // namespace

std::uint32_t CSystemClean::ScanDesktopShortcuts(ResultList* results, ScanTotals* totals,
                                                 IScanProgress* callback) {
    return RunShortcutScan(*this, kDesktopShortcuts, results, totals, callback);
}

std::uint32_t CSystemClean::ScanStartMenuShortcuts(ResultList* results, ScanTotals* totals,
                                                   IScanProgress* callback) {
    return RunShortcutScan(*this, kStartMenuShortcuts, results, totals, callback);
}
