// What the folder walks of the scan enter and how they build child paths.
#pragma once

#include <windows.h>

#include "fs/path_text.h"

namespace ufc {

inline bool IsFolderEntry(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A folder a walk may go into: not ".", "..", or any other dot-named folder
// (.git, .trash), and not a reparse point. A junction or a link to a folder
// leads outside the tree (or back into it, without end), so it is passed
// over like a dot-folder: not walked, not measured, not listed.
inline bool IsWalkableFolder(const WIN32_FIND_DATAW& entry) {
    return IsFolderEntry(entry) && entry.cFileName[0] != L'.' &&
           (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// out = first + second (+ third); false, with out empty, when the whole does
// not fit 260 units: such an entry is skipped, never cut into another path.
inline bool JoinPath(wchar_t (&out)[kPathUnits], const wchar_t* first, const wchar_t* second,
                     const wchar_t* third = L"") {
    if (CopyExact(out, first) && AppendExact(out, second) && AppendExact(out, third)) return true;
    out[0] = 0;
    return false;
}

}  // namespace ufc
