#include "scan/folder_walk.h"

namespace ufc {

unique_hfind OpenFolderEntries(const wchar_t* prefix, WIN32_FIND_DATAW* first) {
    wchar_t pattern[kPathUnits];
    if (!JoinPath(pattern, prefix, L"*.*")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return unique_hfind();
    }
    return unique_hfind(FindFirstFileW(pattern, first));
}

bool ChildPrefix(wchar_t (&child)[kPathUnits], const wchar_t* prefix, const wchar_t* name) {
    return JoinPath(child, prefix, name, L"\\");
}

DWORD DeleteFileExactly(const wchar_t* path) {
    // A plain path drops trailing dots and spaces, so "a.txt." would name
    // its twin "a.txt": such a name goes through the \\?\ form, which the
    // system takes as it stands.
    wchar_t exact[kPathUnits + 4] = L"\\\\?\\";
    const wchar_t* target = path;
    std::size_t units = TextLength(path);
    if (units > 0 && (path[units - 1] == L'.' || path[units - 1] == L' ')) {
        if (!AppendExact(exact, kPathUnits + 4, path)) return ERROR_FILENAME_EXCED_RANGE;
        target = exact;
    }
    // Nearly every file goes at the first try, and nothing else is touched.
    // A file in use or gone fails for its own reason and keeps its
    // attributes; only a refused delete (a read-only file, or a folder)
    // takes the careful road below.
    if (DeleteFileW(target)) return ERROR_SUCCESS;
    DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED) return error;
    DWORD attributes = GetFileAttributesW(target);
    if (attributes == INVALID_FILE_ATTRIBUTES) return error;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_DIRECTORY;
    SetFileAttributesW(target, 0);
    if (DeleteFileW(target)) return ERROR_SUCCESS;
    error = GetLastError();
    SetFileAttributesW(target, attributes);
    return error;
}

}  // namespace ufc
