#include "platform/user_files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/module_loader.h"
#include "text/format.h"
#include "fs/handles.h"
#include "fs/rooted_delete.h"

namespace host {

namespace {

// How long a command waits for another one's records lock.
const ULONGLONG kLockWaitMs = 60000;

bool IsNameCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'_' || c == L'.';
}

// A device name, whatever follows its first dot: CON, CON.txt, com1.log,
// and the superscript digits Windows also reserves (COM¹).
bool IsDeviceName(const std::wstring& name) {
    const std::wstring base = name.substr(0, name.find(L'.'));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (SameText(base, device)) return true;
    if (base.size() != 4) return false;
    const std::wstring digits = L"0123456789\u00b9\u00b2\u00b3";
    return (SameText(base.substr(0, 3), L"COM") || SameText(base.substr(0, 3), L"LPT")) &&
           digits.find(base[3]) != std::wstring::npos;
}

// The user's data may lie in folders others can write (a service's profile):
// it is deleted by handle, following no link below the application-data
// folders.
std::vector<std::wstring> DataRoots() {
    std::vector<std::wstring> roots;
    for (int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
            roots.push_back(path);
    }
    return roots;
}

std::wstring DataFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buffer)))
        return std::wstring();
    return std::wstring(buffer) + L"\\UnusedFileClean";
}

}  // namespace

bool CheckName(const std::wstring& name, std::wstring* reason) {
    if (IsDeviceName(name)) {
        *reason = L"\"" + name +
                  L"\" is a device name of Windows (CON, PRN, AUX, NUL, COM1, "
                  L"LPT1 and the like), not a file or task name";
        return false;
    }
    if (name.empty() || name.size() > 64 || !IsNameCharacter(name[0]) || name[0] == L'-' ||
        name[0] == L'_' || name[0] == L'.' ||
        !std::all_of(name.begin(), name.end(), IsNameCharacter)) {
        *reason =
            L"a name is 1 to 64 of A-Z, a-z, 0-9, '-', '_' and '.', starting with "
            L"a letter or digit: \"" +
            name + L"\"";
        return false;
    }
    if (name.back() == L'.') {
        *reason = L"a name may not end with a dot (Windows drops it): \"" + name + L"\"";
        return false;
    }
    return true;
}

bool CheckFullPath(const std::wstring& path, const wchar_t* what, std::wstring* reason) {
    const bool full =
        (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) ||
        (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
    const auto bad = std::find_if(path.begin(), path.end(), [](wchar_t c) {
        return c < 0x20 || c == 0x7F || wcschr(L"\"<>|?*", c) != nullptr;
    });
    if (full && path.size() < MAX_PATH && bad == path.end()) return true;
    *reason = std::wstring(what) +
              L" must be a full path (C:\\... or \\\\server\\share\\...) "
              L"shorter than 260 characters, without control characters "
              L"or \" < > | ? *";
    return false;
}

std::wstring UserDataFolder() {
    return DataFolder(CSIDL_APPDATA);
}

std::wstring LocalDataFolder() {
    return DataFolder(CSIDL_LOCAL_APPDATA);
}

std::wstring DefaultReportFolder() {
    const std::wstring local = LocalDataFolder();
    return local.empty() ? local : local + L"\\reports";
}

bool MakeFolder(const std::wstring& folder, std::wstring* error) {
    const int made = folder.empty() ? ERROR_PATH_NOT_FOUND
                                    : SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS) return true;
    *error =
        L"cannot make the folder " + folder + L": " + SystemErrorText(static_cast<DWORD>(made));
    return false;
}

int DeleteFilesIn(const std::wstring& folder, const wchar_t* pattern) {
    ufc::RootedDeleter deleter(DataRoots());
    int removed = 0;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW((folder + L"\\" + pattern).c_str(), &entry));
    if (find) {
        do {
            if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            const std::wstring path = folder + L"\\" + entry.cFileName;
            if (deleter.DeleteFile(path.c_str()) == ERROR_SUCCESS) ++removed;
        } while (FindNextFileW(find.get(), &entry));
    }
    deleter.RemoveFolder(folder.c_str());
    return removed;
}

DWORD DeleteDataFile(const std::wstring& path) {
    return ufc::RootedDeleter(DataRoots()).DeleteFile(path.c_str());
}

bool ReadTextFile(const std::wstring& path, std::string* text) {
    ufc::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A file of gigabytes is none of these: it is not read at all.
    LARGE_INTEGER size = {};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestTextFile)
        return false;
    text->clear();
    text->reserve(static_cast<size_t>(size.QuadPart));
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0 &&
           text->size() < kLargestTextFile)
        text->append(buffer, read);
    return true;
}

bool WriteTextFile(const std::wstring& path, const std::string& text, std::wstring* error) {
    const std::wstring temporary = path + L".new";
    {
        ufc::unique_hfile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() ||
            !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            *error = L"cannot write " + temporary + L": " + SystemErrorText(GetLastError());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = L"cannot write " + path + L": " + SystemErrorText(GetLastError());
        DeleteDataFile(temporary);
        return false;
    }
    return true;
}

RecordsLock::~RecordsLock() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool RecordsLock::Acquire(std::wstring* error) {
    const std::wstring folder = UserDataFolder();
    if (!MakeFolder(folder, error)) return false;
    const std::wstring path = folder + L"\\records.lock";
    const ULONGLONG giveUp = GetTickCount64() + kLockWaitMs;
    for (;;) {
        // A link in its place is opened itself (on Windows) and goes, not
        // what it points to.
        file_ = CreateFileW(
            path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr);
        if (file_ != INVALID_HANDLE_VALUE) return true;
        // Another command holds it, or is letting go of it (Windows refuses
        // an open while the delete is pending).
        const DWORD code = GetLastError();
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) ||
            GetTickCount64() > giveUp) {
            *error = L"cannot lock the records (" + path + L"): " + SystemErrorText(code);
            return false;
        }
        Sleep(20);
    }
}

}  // namespace host
