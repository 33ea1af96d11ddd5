// The undo store: the folder a held clean moves files into instead of
// deleting them, one folder per run. A move is a rename, so the store
// serves the files of its own volume only; elsewhere a clean deletes as
// before and says the files are not undoable.
//
// The user's store lies in the user's local application data and is theirs
// alone; an elevated clean of system places uses the machine's store in
// the program data folder, open to administrators and SYSTEM only. Either
// gets its access list when it is made, and an existing store is used only
// when it is still what was made: a folder (no link), owned by those it
// serves and open to no one else.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "undo/journal.h"
#include "fs/handles.h"

namespace undo {

class Store {
public:
    // <local application data or program data>\UnusedFileClean\undo; empty
    // when the system does not say where that folder is.
    static std::wstring DefaultPath(StoreKind kind);

    // Opens the store at path, making it (and its parent) when missing. An
    // existing store that is not what was made is refused
    // (ERROR_ACCESS_DENIED); why says what is wrong in either case.
    DWORD Open(const std::wstring& path, StoreKind kind, std::wstring* why);

    const std::wstring& Path() const { return path_; }
    StoreKind Kind() const { return kind_; }
    // Held without delete sharing while the store is open: it cannot be
    // renamed away or replaced.
    HANDLE Folder() const { return folder_.get(); }

    // Makes the folder of a new run started at `started` (FILETIME ticks,
    // UTC), named for that time: "20261207-184501", "-2" added when taken.
    DWORD MakeRunFolder(std::uint64_t started, std::wstring* id, ufc::unique_handle* folder) const;
    // Opens the folder of run id to move files in and out of it.
    DWORD OpenRunFolder(const std::wstring& id, ufc::unique_handle* folder) const;

private:
    std::wstring path_;
    StoreKind kind_ = StoreKind::User;
    ufc::unique_handle folder_;
};

// FILETIME ticks of now, UTC.
std::uint64_t NowTicks();
// The start a run id names (its first 15 characters), 0 when it names none.
std::uint64_t TicksOfRunId(const std::wstring& id);

}  // namespace undo
