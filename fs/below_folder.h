// The deleter's work on one entry below a folder it holds (by handle, never
// by a path looked up again). Used by the rooted deleter alone.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "fs/file_identity.h"
#include "fs/handles.h"
#include "fs/rooted_delete.h"

namespace ufc {
namespace below {

constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// A held folder may be read and written by others, never renamed or removed.
constexpr ULONG kHoldFolder = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Units of a path that a walk can list: the folder, a backslash and "*.*".
constexpr std::size_t kPatternUnits = 4;

// The subfolder name of parent, opened and proved to be the folder the
// parent lists under that name (not a link, on the parent's volume).
unique_handle OpenFolderByName(HANDLE parent, const std::wstring& name, DWORD volume,
                               ACCESS_MASK extra, DWORD* error);
// A folder made below parent, held as a listed one is.
unique_handle MakeFolderBelow(HANDLE parent, const std::wstring& name, DWORD volume, DWORD* error);
// Marks the object held by file for deletion when its last handle closes.
bool SetDisposition(HANDLE file);
// Deletes the file name of the folder held by parent, when its handle shows
// expected (when given).
DWORD DeleteFileBelow(HANDLE parent, const std::wstring& name,
                      const FileIdentity* expected = nullptr);
// Moves the file into the folder held by into as heldName, by the handle
// that showed its identity; deletes it when the move fails for another
// reason than its use.
void HoldFileBelow(HANDLE parent, const std::wstring& name, const FileIdentity& expected,
                   HANDLE into, const std::wstring& heldName, HoldOutcome* out);
// Empties the folder held by folder, whose path is pathUnits long.
void EmptyHeldFolder(HANDLE folder, DWORD volume, std::size_t pathUnits);

}  // namespace below
}  // namespace ufc
