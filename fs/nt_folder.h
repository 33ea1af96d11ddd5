// Folders read through handles of their own, as the native calls do: a name
// opened relative to a held folder, and a folder's entries listed through
// its handle with each entry's file id. The link-safe deleter and the walk
// that keeps file ids share them.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <memory>
#include <string>

#include "fs/handles.h"

namespace ufc {

// The Win32 error of a native status (ERROR_DIRECTORY for a folder where a
// file was asked for).
DWORD ErrorOfStatus(NTSTATUS status);

// Opens name relative to the folder held by parent: one name, taken as it
// stands (trailing dots and spaces included). The reparse-point option
// opens a junction or link itself where the system supports that.
// disposition FILE_CREATE makes the entry, and fails when the name is taken.
unique_handle OpenBelow(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG share,
                        ULONG options, DWORD* error, ULONG disposition = FILE_OPEN);

// Moves the file held by file (opened with DELETE) to name in the folder
// held by folder, never over another entry (ERROR_ALREADY_EXISTS) unless
// replace: then over a file of that name, in one step. The target is the
// held folder, not a path looked up again.
DWORD MoveBelow(HANDLE file, HANDLE folder, const std::wstring& name, bool replace = false);

// Reads a folder's entries through its handle, a buffer at a time.
class FolderListing {
public:
    FolderListing();
    // Fills the buffer with the next entries of folder (from the start when
    // restart is set; with mask, only the first entry matching it).
    // ERROR_SUCCESS with at least one entry, ERROR_NO_MORE_FILES at the end
    // (also for a mask that matched nothing), or why the folder cannot be
    // read.
    DWORD Read(HANDLE folder, bool restart, const std::wstring* mask = nullptr);
    // The entries of the last Read, in order: First(), then Next(entry)
    // until it gives null.
    const FILE_ID_BOTH_DIR_INFORMATION* First() const;
    static const FILE_ID_BOTH_DIR_INFORMATION* Next(const FILE_ID_BOTH_DIR_INFORMATION* entry);

private:
    static constexpr std::size_t kBytes = 64 * 1024;
    std::unique_ptr<BYTE[]> buffer_;
};

}  // namespace ufc
