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

}  // namespace ufc
