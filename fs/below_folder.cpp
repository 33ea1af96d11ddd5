// The deleter's work on one entry below a folder it holds: listing an
// entry by name, opening a listed folder or file and proving it is what was
// listed, deleting, holding (moving into the undo store) and emptying.
#include "fs/below_folder.h"

#include <cstdint>
#include <cwchar>
#include <vector>

#include "fs/nt_folder.h"
#include "fs/path_text.h"

namespace ufc {
namespace below {

// The disposition that clears read-only by itself, where the system has it
// (Windows 10 1809 and later); elsewhere the attribute is cleared first.
constexpr FILE_INFO_BY_HANDLE_CLASS kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Entry {
    std::wstring name;
    DWORD attributes = 0;
    std::uint64_t id = 0;
};

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::uint64_t IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// Reads the entries of the folder held by folder (all of them, or the one
// that mask names) through that handle, so that every entry is an entry of
// that very folder, whatever has been renamed since it was opened.
DWORD ReadEntries(HANDLE folder, const std::wstring* mask, std::vector<Entry>* out) {
    FolderListing listing;
    for (bool first = true;; first = false) {
        const DWORD error = listing.Read(folder, first, mask);
        if (error == ERROR_NO_MORE_FILES)
            return first && mask ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
        if (error != ERROR_SUCCESS) return error;
        for (auto* info = listing.First(); info; info = FolderListing::Next(info)) {
            Entry entry;
            entry.name.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
            entry.attributes = info->FileAttributes;
            entry.id = static_cast<std::uint64_t>(info->FileId.QuadPart);
            out->push_back(std::move(entry));
        }
        if (mask) return ERROR_SUCCESS;
    }
}

// The entry name of the folder held by parent. A listing remembers the first
// name it was asked for, so every lookup lists through a handle of its own.
DWORD ReadEntry(HANDLE parent, const std::wstring& name, Entry* entry) {
    DWORD error;
    unique_handle listing = OpenBelow(parent, std::wstring(), FILE_LIST_DIRECTORY, kShareAll,
                                      FILE_DIRECTORY_FILE, &error);
    if (!listing) return error;
    std::vector<Entry> entries;
    error = ReadEntries(listing.get(), &name, &entries);
    if (error != ERROR_SUCCESS) return error;
    if (entries.empty()) return ERROR_FILE_NOT_FOUND;
    *entry = std::move(entries.front());
    return ERROR_SUCCESS;
}

// Opens the subfolder entry.name of parent and proves it is that entry: not
// a link (opened itself, it says so; opened through, it is another object
// than the entry the parent lists), on the parent's volume. The entry was
// read through the parent's handle after the scan; a link there shows as a
// reparse point, so a folder that is not one is a real folder of the parent.
unique_handle OpenListedFolder(HANDLE parent, const Entry& entry, DWORD volume, ACCESS_MASK extra,
                               DWORD* error) {
    if (IsLink(entry.attributes) || !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *error = IsLink(entry.attributes) ? kLinkOnPath : ERROR_DIRECTORY;
        return unique_handle();
    }
    unique_handle folder = OpenBelow(parent, entry.name, kFolderAccess | extra, kHoldFolder,
                                     FILE_DIRECTORY_FILE, error);
    if (!folder) return folder;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder.get(), &info)) {
        *error = GetLastError();
        return unique_handle();
    }
    if (IsLink(info.dwFileAttributes) || info.dwVolumeSerialNumber != volume ||
        IdOf(info) != entry.id) {
        *error = kLinkOnPath;
        return unique_handle();
    }
    return folder;
}

unique_handle OpenFolderByName(HANDLE parent, const std::wstring& name, DWORD volume,
                               ACCESS_MASK extra, DWORD* error) {
    Entry entry;
    *error = ReadEntry(parent, name, &entry);
    if (*error != ERROR_SUCCESS) return unique_handle();
    // The listing matched the name as the file system compares names (a
    // short name, another case); the folder opened is the entry it listed.
    return OpenListedFolder(parent, entry, volume, extra, error);
}

bool SetDisposition(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // zero times: left as they are
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

// A file refused as read-only: the system's own flag where it has one, else
// the attribute is cleared on the same file and put back when the delete
// still fails.
DWORD DeleteReadOnly(HANDLE parent, const std::wstring& name, HANDLE file) {
    DWORD flags = kDispositionDelete | kDispositionIgnoreReadOnly;
    if (SetFileInformationByHandle(file, kDispositionInfoEx, &flags, sizeof flags))
        return ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    // The deleting handle was opened without the right to change attributes
    // (which a delete does not need); a second one does that, and must be
    // the same file.
    DWORD error;
    unique_handle writer = OpenBelow(parent, name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                     kShareAll, FILE_NON_DIRECTORY_FILE, &error);
    BY_HANDLE_FILE_INFORMATION same;
    if (!writer || !GetFileInformationByHandle(writer.get(), &same) || IdOf(same) != IdOf(info) ||
        same.dwVolumeSerialNumber != info.dwVolumeSerialNumber)
        return ERROR_ACCESS_DENIED;
    if (!SetAttributes(writer.get(), info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    if (SetDisposition(file)) return ERROR_SUCCESS;
    error = GetLastError();
    SetAttributes(writer.get(), info.dwFileAttributes);
    return error;
}

// Opens the file name of the folder held by parent for its delete or move.
// A folder (or a link to one) is refused, and so is a file that is not the
// one expected (when given). seen, when given, gets what the handle shows.
unique_handle OpenListedFile(HANDLE parent, const std::wstring& name, const FileIdentity* expected,
                             FileState* seen, DWORD* error) {
    unique_handle file = OpenBelow(parent, name, DELETE | FILE_READ_ATTRIBUTES, kShareAll,
                                   FILE_NON_DIRECTORY_FILE, error);
    if (!file) return file;
    // Checked on the handle that acts: what it holds now is what goes.
    FileState state;
    if (seen || (expected && (expected->written || expected->idTag))) {
        if (!ReadFileState(file.get(), &state))
            *error = ERROR_ACCESS_DENIED;
        else if (expected && !SameIdentity(*expected, state))
            *error = kChangedSinceScan;
        if (*error != ERROR_SUCCESS) return unique_handle();
        if (seen) *seen = state;
    }
    return file;
}

DWORD DeleteOpenedFile(HANDLE parent, const std::wstring& name, HANDLE file) {
    if (SetDisposition(file)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED) return error;
    return DeleteReadOnly(parent, name, file);
}

// Deletes the file name of the folder held by parent through its own handle.
DWORD DeleteFileBelow(HANDLE parent, const std::wstring& name, const FileIdentity* expected) {
    DWORD error;
    unique_handle file = OpenListedFile(parent, name, expected, nullptr, &error);
    return file ? DeleteOpenedFile(parent, name, file.get()) : error;
}

// Moves the file name of the folder held by parent into the folder held by
// into as heldName, by the handle that showed its identity; deletes it when
// the move fails for another reason than its use.
void HoldFileBelow(HANDLE parent, const std::wstring& name, const FileIdentity& expected,
                   HANDLE into, const std::wstring& heldName, HoldOutcome* out) {
    unique_handle file = OpenListedFile(parent, name, &expected, &out->seen, &out->error);
    if (!file) return;
    out->moveError = into ? MoveBelow(file.get(), into, heldName) : ERROR_NOT_SAME_DEVICE;
    out->held = out->moveError == ERROR_SUCCESS;
    if (out->held) return;
    if (out->moveError == ERROR_SHARING_VIOLATION || out->moveError == ERROR_LOCK_VIOLATION)
        out->error = out->moveError;
    else
        out->error = DeleteOpenedFile(parent, name, file.get());
}

// A folder made below parent, held as a listed one is; a name taken
// meanwhile is opened as listed.
unique_handle MakeFolderBelow(HANDLE parent, const std::wstring& name, DWORD volume, DWORD* error) {
    unique_handle folder = OpenBelow(parent, name, kFolderAccess, kHoldFolder, FILE_DIRECTORY_FILE,
                                     error, FILE_CREATE);
    if (folder || *error != ERROR_ALREADY_EXISTS) return folder;
    return OpenFolderByName(parent, name, volume, 0, error);
}

// On a system that opens a link itself, the link goes and what it points to
// stays; where the open goes through the link, the link is left alone.
void RemoveLink(HANDLE parent, const std::wstring& name) {
    DWORD error;
    unique_handle link =
        OpenBelow(parent, name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, 0, &error);
    BY_HANDLE_FILE_INFORMATION info;
    if (link && GetFileInformationByHandle(link.get(), &info) && IsLink(info.dwFileAttributes))
        SetDisposition(link.get());
}

// Empties the folder held by folder, whose path is pathUnits long.
void EmptyHeldFolder(HANDLE folder, DWORD volume, std::size_t pathUnits) {
    std::vector<Entry> entries;
    if (ReadEntries(folder, nullptr, &entries) != ERROR_SUCCESS) return;
    for (const Entry& entry : entries) {
        if (entry.name == L"." || entry.name == L"..") continue;
        // Never an entry whose path would not fit 260 units.
        const std::size_t childUnits = pathUnits + 1 + entry.name.size();
        if (childUnits >= kPathUnits) continue;
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileBelow(folder, entry.name);
            continue;
        }
        if (IsLink(entry.attributes)) {
            RemoveLink(folder, entry.name);
            continue;
        }
        if (entry.name[0] == L'.' || childUnits + kPatternUnits >= kPathUnits) continue;
        DWORD error;
        unique_handle child = OpenListedFolder(folder, entry, volume, DELETE, &error);
        if (!child) continue;
        EmptyHeldFolder(child.get(), volume, childUnits);
        SetDisposition(child.get());  // goes only when empty
    }
}

}  // namespace below
}  // namespace ufc
