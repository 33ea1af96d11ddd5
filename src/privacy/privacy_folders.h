// Folder helpers shared by the privacy cleaners.
#pragma once

#include <string>

#include "util/shell_folders.h"

namespace ufc {

// Empties base + tail and keeps it. An unresolved base folder (empty text)
// empties nothing: an empty base would turn the tail into a path from the
// root of the current drive.
inline void EmptyFolderBelow(const std::wstring& base, const wchar_t* tail = L"") {
    if (base.empty()) return;
    DeleteFolderTree(base + tail, false);
}

}  // namespace ufc
