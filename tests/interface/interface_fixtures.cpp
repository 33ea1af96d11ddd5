#include "interface/interface_fixtures.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "fixtures/fixtures.h"
#include "util/handles.h"

namespace ifx {

bool Recycle(const std::wstring& path) {
    std::wstring from = path + L'\0';  // the list ends with two zeros
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationW(&operation) == 0 && !fx::Exists(path);
}

void EmptyBin() {
    SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

unsigned long long BinItemCount() {
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    if (FAILED(SHQueryRecycleBinW(L"C:\\", &info))) return 0;
    return static_cast<unsigned long long>(info.i64NumItems);
}

bool MakeBrokenShortcut(const std::wstring& linkPath, const std::wstring& target) {
    fx::MakeFile(target, 16);
    fx::MakeDirs(linkPath.substr(0, linkPath.find_last_of(L'\\')));
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool saved = false;
    {
        ufc::com_ptr<IShellLinkW> link;
        ufc::com_ptr<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, link.put_void())) &&
            SUCCEEDED(link->SetPath(target.c_str())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())))
            saved = SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
    }
    if (SUCCEEDED(init)) CoUninitialize();
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
