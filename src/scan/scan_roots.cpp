// The folders the scans start from. A removal anchors each item at the
// deepest of them that holds it: below that folder no link is followed,
// above it the folder may be placed anywhere (a profile moved with a
// junction).
#include <shlobj.h>

#include "core/system_clean.h"
#include "scan/browser_paths.h"
#include "util/shell_folders.h"

namespace {

struct RootSpec {
    int csidl;
    const wchar_t* tail;  // appended to the special folder
};

// clang-format off
const RootSpec kRoots[] = {
    {CSIDL_INTERNET_CACHE, L""},             {CSIDL_INTERNET_CACHE, L"\\Content.IE5"},
    {CSIDL_COOKIES, L""},                    {CSIDL_HISTORY, L""},
    {CSIDL_RECENT, L""},                     {CSIDL_WINDOWS, L""},
    {CSIDL_WINDOWS, L"\\Temp"},              {CSIDL_WINDOWS, L"\\MiniDump"},
    {CSIDL_APPDATA, L"\\Microsoft\\Office\\Recent"},
    {CSIDL_DESKTOP, L""},                    {CSIDL_COMMON_DESKTOPDIRECTORY, L""},
    {CSIDL_APPDATA, L"\\Microsoft\\Internet Explorer\\Quick Launch"},
    {CSIDL_COMMON_APPDATA, L"\\Microsoft\\Internet Explorer\\Quick Launch"},
    {CSIDL_STARTMENU, L""},                  {CSIDL_COMMON_STARTMENU, L""},
    {CSIDL_APPDATA, ufc::kFirefoxProfilesTail},
    {CSIDL_LOCAL_APPDATA, ufc::kFirefoxProfilesTail},
    {CSIDL_LOCAL_APPDATA, ufc::kChromeProfileTail},
    {CSIDL_LOCAL_APPDATA, ufc::kChromeCacheTail},
};
// clang-format on

}  // namespace

std::vector<std::wstring> CSystemClean::ScanRoots() const {
    std::vector<std::wstring> roots;
    for (const RootSpec& spec : kRoots) {
        const std::wstring folder = ufc::GetSpecialFolderPath(spec.csidl, false);
        if (!folder.empty()) roots.push_back(folder + spec.tail);
    }
    // Disk-check fragments lie in the root of the system drive.
    const std::wstring windows = ufc::GetSpecialFolderPath(CSIDL_WINDOWS, false);
    if (windows.size() >= 2) roots.push_back(windows.substr(0, 2) + L"\\");
    return roots;
}
