// The one way the module and its hosts delete files and folders: by handle,
// below a root folder, never through a link that lies below that root.
//
// Between a scan and its clean anyone who can write to a scanned folder may
// rename a folder on a found item's path and put a junction or folder link
// in its place, pointing at files of the same names elsewhere. A delete by
// path would follow it. So a deleter opens the root once (a link above the
// root is allowed: that is how an administrator moves a profile), then every
// folder below it relative to its parent's handle, and accepts a folder only
// when it is the parent's own entry of that name and that entry is no link:
// the entry's file identity, read through the parent's handle, must be the
// identity of the opened folder. The check and the delete act on the same
// objects: a folder is held without delete sharing while its files go, and
// every file is deleted through its own handle.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fs/file_identity.h"

namespace ufc {

// A folder on the way was a link, or was swapped for one.
constexpr DWORD kLinkOnPath = 681;  // ERROR_STOPPED_ON_SYMLINK

// What HoldFile did with a file.
struct HoldOutcome {
    // ERROR_SUCCESS: the file left its place, held or deleted; else why it
    // is still there, as DeleteFile says it.
    DWORD error = ERROR_SUCCESS;
    bool held = false;                // moved into the held folder
    DWORD moveError = ERROR_SUCCESS;  // why the move failed, when it did
    FileState seen;                   // what its handle showed before it left
};

class RootedDeleter {
public:
    // roots: the folders scans started from. A path is anchored at the
    // longest root that holds it, else at the root of its volume.
    explicit RootedDeleter(std::vector<std::wstring> roots = {});
    ~RootedDeleter();
    RootedDeleter(const RootedDeleter&) = delete;
    RootedDeleter& operator=(const RootedDeleter&) = delete;

    // Deletes the file at path, and only a file: a folder or a link to one
    // is left as it is (ERROR_DIRECTORY). A name ending in a dot or a space
    // is the file of that exact name, never its twin without them. A
    // read-only file is made plain and deleted; when that fails too, its
    // attributes come back. ERROR_SUCCESS, or why nothing was deleted.
    DWORD DeleteFile(const wchar_t* path);
    // The same, for a file a scan listed: the handle that deletes must show
    // the identity the scan saw, else the file is left (kChangedSinceScan).
    DWORD DeleteFile(const wchar_t* path, const FileIdentity& expected);

    // Holds instead of deleting: the file at path, opened and checked as
    // DeleteFile does, is moved by that same handle into the folder held by
    // into as heldName (never over another entry). A move refused because
    // the file is in use leaves it there (error: the sharing violation); a
    // move that fails otherwise, or a null into, deletes it as DeleteFile
    // would (held false, moveError says why).
    HoldOutcome HoldFile(const wchar_t* path, const FileIdentity& expected, HANDLE into,
                         const std::wstring& heldName);

    // Reaches the folder at path as a delete does (its anchor root, then
    // every folder below it through its parent's handle, no link on the
    // way) and hands its handle to work, whose answer is returned. With
    // make, the folders missing on the way are made the same way, each
    // below its parent's handle; *made counts them (the last ones of path).
    using FolderWork = std::function<DWORD(HANDLE folder)>;
    DWORD AtFolder(const wchar_t* path, bool make, const FolderWork& work,
                   std::size_t* made = nullptr);

    // Empties the folder at path: files are deleted, subfolders emptied and
    // removed, dot-named subfolders stay, and a link is never entered (on a
    // system that opens the link itself, the link goes). removeFolder also
    // removes the folder itself, unless it is the root it is anchored at.
    // Entries whose path would not fit 260 units are left alone.
    // ERROR_SUCCESS when the folder was reached, or why it was not.
    DWORD EmptyFolder(const wchar_t* path, bool removeFolder);

    // Removes the folder at path when it is empty, unless it is the root it
    // is anchored at. ERROR_SUCCESS, or why it stays.
    DWORD RemoveFolder(const wchar_t* path);

    // Open folders are let go (the next call opens them again).
    void Release();

private:
    DWORD DeleteFile(const wchar_t* path, const FileIdentity* expected);
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ufc
