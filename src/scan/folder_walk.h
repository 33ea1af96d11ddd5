// The one link-safe folder walk that the module's scans and the hosts'
// cleaning rules share: depth first, in the order the enumeration delivers
// the entries, never into a dot-folder or a reparse point, every path in a
// 260-unit buffer on the stack. The visitor is a template parameter, so a
// walk costs no indirect call and no allocation per entry.
#pragma once

#include <windows.h>

#include "scan/walk_rules.h"
#include "util/handles.h"
#include "util/text.h"

namespace ufc {

// Opens the enumeration of prefix + "*.*" (prefix ends in a backslash) and
// fills first. An invalid handle when the folder cannot be read; the last
// error says why (ERROR_FILENAME_EXCED_RANGE when the pattern does not fit).
unique_hfind OpenFolderEntries(const wchar_t* prefix, WIN32_FIND_DATAW* first);

// child = prefix + name + "\"; false, with child empty, when it does not fit.
bool ChildPrefix(wchar_t (&child)[kPathUnits], const wchar_t* prefix, const wchar_t* name);

struct WalkEnd {
    bool stopped;     // the visitor asked to stop
    DWORD lastError;  // the top folder's last error when its listing ended
};

// Walks the folder prefix (ending in a backslash). The visitor provides:
//   bool StopRequested()            tested before every entry;
//   bool EnterFolder(prefix, entry) a walkable subfolder was met; true walks
//                                   it (reparse points and dot-folders never
//                                   reach the visitor);
//   void VisitFile(prefix, entry)   a file was met.
// A stopped subfolder returns to its parent, which sees the request again
// before its next entry.
template <typename Visitor>
WalkEnd WalkFolderTree(const wchar_t* prefix, Visitor& visitor) {
    WIN32_FIND_DATAW entry;
    unique_hfind find = OpenFolderEntries(prefix, &entry);
    if (!find) return {false, GetLastError()};
    do {
        if (visitor.StopRequested()) return {true, 0};
        if (IsFolderEntry(entry)) {
            wchar_t child[kPathUnits];
            if (IsWalkableFolder(entry) && visitor.EnterFolder(prefix, entry) &&
                ChildPrefix(child, prefix, entry.cFileName))
                WalkFolderTree(child, visitor);
            continue;
        }
        visitor.VisitFile(prefix, entry);
    } while (FindNextFileW(find.get(), &entry));
    // Read before the handle's owner closes it, which may change the value.
    return {false, GetLastError()};
}

inline std::uint64_t EntrySize(const WIN32_FIND_DATAW& entry) {
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

}  // namespace ufc
