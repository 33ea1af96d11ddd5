// The one link-safe folder walk that the module's scans and the hosts'
// cleaning rules share: depth first, in the order the enumeration delivers
// the entries, never into a dot-folder or a reparse point, every path in a
// 260-unit buffer on the stack. The visitor is a template parameter, so a
// walk costs no indirect call and no allocation per entry.
#pragma once

#include <windows.h>

#include <cstdint>

#include "fs/walk_rules.h"
#include "fs/handles.h"
#include "fs/nt_folder.h"
#include "fs/path_text.h"

namespace ufc {

// Opens the enumeration of prefix + "*.*" (prefix ends in a backslash) and
// fills first. An invalid handle when the folder cannot be read; the last
// error says why (ERROR_FILENAME_EXCED_RANGE when the pattern does not fit).
unique_hfind OpenFolderEntries(const wchar_t* prefix, WIN32_FIND_DATAW* first);

// child = prefix + name + "\"; false, with child empty, when it does not fit.
bool ChildPrefix(wchar_t (&child)[kPathUnits], const wchar_t* prefix, const wchar_t* name);

// An entry as the find functions give it, and the file id the folder's
// listing gave beside it (0 where the file system has none).
struct FolderEntry : WIN32_FIND_DATAW {
    std::uint64_t fileId;
};

// The entries of one folder through the find functions.
class FindEntries {
public:
    bool Open(const wchar_t* prefix) {
        find_ = OpenFolderEntries(prefix, &entry_);
        return find_.valid();
    }
    const WIN32_FIND_DATAW& Current() const { return entry_; }
    bool Next() { return FindNextFileW(find_.get(), &entry_) != FALSE; }
    static DWORD EndError() { return GetLastError(); }

private:
    unique_hfind find_;
    WIN32_FIND_DATAW entry_;
};

// The entries of one folder through a handle of the folder, each with its
// file id: the same entries the find functions give, at the same cost.
class IdEntries {
public:
    bool Open(const wchar_t* prefix);
    const FolderEntry& Current() const { return entry_; }
    bool Next();
    DWORD EndError() const { return end_; }

private:
    bool Take(const FILE_ID_BOTH_DIR_INFORMATION* info);

    unique_hfile folder_;
    FolderListing listing_;
    const FILE_ID_BOTH_DIR_INFORMATION* at_ = nullptr;
    FolderEntry entry_ = {};
    DWORD end_ = ERROR_NO_MORE_FILES;
};

struct WalkEnd {
    bool stopped;     // the visitor asked to stop
    DWORD lastError;  // the top folder's last error when its listing ended
};

// Walks the folder prefix (ending in a backslash) with the entries Reader
// gives. The visitor provides:
//   bool StopRequested()            tested before every entry;
//   bool EnterFolder(prefix, entry) a walkable subfolder was met; true walks
//                                   it (reparse points and dot-folders never
//                                   reach the visitor);
//   void VisitFile(prefix, entry)   a file was met.
// A stopped subfolder returns to its parent, which sees the request again
// before its next entry.
template <typename Reader, typename Visitor>
WalkEnd WalkEntries(const wchar_t* prefix, Visitor& visitor) {
    Reader entries;
    if (!entries.Open(prefix)) return {false, GetLastError()};
    do {
        if (visitor.StopRequested()) return {true, 0};
        const auto& entry = entries.Current();
        if (IsFolderEntry(entry)) {
            wchar_t child[kPathUnits];
            if (IsWalkableFolder(entry) && visitor.EnterFolder(prefix, entry) &&
                ChildPrefix(child, prefix, entry.cFileName))
                WalkEntries<Reader>(child, visitor);
            continue;
        }
        visitor.VisitFile(prefix, entry);
    } while (entries.Next());
    // Read before the reader's owner closes its handle, which may change it.
    return {false, entries.EndError()};
}

// The module's walk: entries as WIN32_FIND_DATAW.
template <typename Visitor>
WalkEnd WalkFolderTree(const wchar_t* prefix, Visitor& visitor) {
    return WalkEntries<FindEntries>(prefix, visitor);
}

// The walk of a scan whose clean checks identities: entries as FolderEntry.
template <typename Visitor>
WalkEnd WalkFolderTreeWithIds(const wchar_t* prefix, Visitor& visitor) {
    return WalkEntries<IdEntries>(prefix, visitor);
}

inline std::uint64_t EntrySize(const WIN32_FIND_DATAW& entry) {
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

}  // namespace ufc
