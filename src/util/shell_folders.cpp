#include "util/shell_folders.h"

#include <shlobj.h>

#include <memory>
#include <new>

#include "fs/handles.h"
#include "fs/rooted_delete.h"
#include "fs/path_text.h"

namespace ufc {

std::wstring GetSpecialFolderPath(int csidl, bool create) {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, create ? TRUE : FALSE)) return {};
    buffer[MAX_PATH - 1] = 0;
    return buffer;
}

const wchar_t* GetSpecialFolderPathByIdList(int csidl) {
    // Shared by every caller; calls must not overlap.
    static wchar_t buffer[1024];
    buffer[0] = 0;
    unique_idlist ids;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, ids.put())) || !ids) return buffer;
    // SHGetPathFromIDListW writes at most MAX_PATH units: the buffer is larger.
    if (!SHGetPathFromIDListW(ids.get(), buffer)) buffer[0] = 0;
    return buffer;
}

void DeleteFolderTree(std::wstring path, bool removeRoot) {
    // The folder is the root of what goes: no link below it is followed.
    // When it goes itself, it must be a real folder of its parent.
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    std::wstring anchor = path;
    if (removeRoot) {
        const std::size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos) return;
        anchor = path.substr(0, slash + 1);
    }
    RootedDeleter({anchor}).EmptyFolder(path.c_str(), removeRoot);
}

DWORD GetRegistryValueCount(HKEY key) {
    wchar_t className[MAX_PATH] = {};
    DWORD classLength = MAX_PATH;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key, className, &classLength, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return values;
}

bool GetFileVersionString(wchar_t* out, const wchar_t* filePath, const wchar_t* valueName) {
    auto fail = [out](const wchar_t* text) {
        CopyTruncated(out, MAX_PATH, text);
        return false;
    };
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(filePath, &handle);
    if (size == 0) return fail(L"No File Version Infomation");
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) return fail(L"Failed while calling malloc function");
    if (!GetFileVersionInfoW(filePath, 0, size, block.get()))
        return fail(
            L"Failed to GetFileVersionInfo, You can use GetLastError() to get error message");

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* table = nullptr;
    UINT tableBytes = 0;
    if (!VerQueryValueW(block.get(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&table), &tableBytes))
        return fail(L"Failed to VerQueryValue, You can use GetLastError() to get error message");

    for (UINT i = 0; table && i < tableBytes / sizeof(Translation); ++i) {
        // The value name is appended after formatting, so that no character
        // of it is taken as a format directive.
        wchar_t subBlock[1024];
        wsprintfW(subBlock, L"\\StringFileInfo\\%04x%04x\\", table[i].language, table[i].codePage);
        if (!AppendExact(subBlock, valueName)) continue;
        wchar_t* value = nullptr;
        UINT valueLength = 0;
        if (VerQueryValueW(block.get(), subBlock, reinterpret_cast<void**>(&value), &valueLength) &&
            value)
            CopyTruncated(out, MAX_PATH, value, valueLength);  // the last hit wins
    }
    return true;
}

}  // namespace ufc
