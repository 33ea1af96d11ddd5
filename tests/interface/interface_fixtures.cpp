#include "interface/interface_fixtures.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "fixtures/categories.h"
#include "fixtures/fixtures.h"

namespace ifx {

unsigned long long BinItemCount() {
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    if (FAILED(SHQueryRecycleBinW(L"C:\\", &info))) return 0;
    return static_cast<unsigned long long>(info.i64NumItems);
}

bool MakeBrokenShortcut(const std::wstring& linkPath, const std::wstring& target) {
    fx::MakeFile(target, 16);
    fx::MakeDirs(linkPath.substr(0, linkPath.find_last_of(L'\\')));
    bool saved = fx::MakeShortcut(linkPath, target);
    DeleteFileW(target.c_str());
    return saved && fx::Exists(linkPath) && !fx::Exists(target);
}

std::wstring LogFilePath(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"UFC_LOG_DIR", folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::wstring(folder) + L"\\" + name;
    return fx::Special(CSIDL_LOCAL_APPDATA) + L"\\UnusedFileClean\\logs\\" + name;
}

}  // namespace ifx
