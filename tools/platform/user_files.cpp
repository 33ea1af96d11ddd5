#include "platform/user_files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/system_error.h"
#include "fs/handles.h"
#include "fs/rooted_delete.h"

namespace host {

namespace {

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

}  // namespace host
