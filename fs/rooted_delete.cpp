#include "fs/rooted_delete.h"

#include <cstdint>
#include <cwchar>

#include "fs/delete_path.h"
#include "fs/file_identity.h"
#include "fs/fold.h"
#include "fs/handles.h"
#include "fs/nt_folder.h"
#include "fs/path_text.h"

namespace ufc {

namespace {

// The disposition that clears read-only by itself, where the system has it
// (Windows 10 1809 and later); elsewhere the attribute is cleared first.
constexpr FILE_INFO_BY_HANDLE_CLASS kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// A held folder may be read and written by others, never renamed or removed.
constexpr ULONG kHoldFolder = FILE_SHARE_READ | FILE_SHARE_WRITE;
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
DWORD DeleteFileBelow(HANDLE parent, const std::wstring& name,
                      const FileIdentity* expected = nullptr) {
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

// Units of a path that a walk can list: the folder, a backslash and "*.*".
constexpr std::size_t kPatternUnits = 4;

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

}  // namespace

struct RootedDeleter::State {
    struct Root {
        explicit Root(const std::wstring& text) : path(text), folded(Folded(text)) {}
        std::wstring path;
        std::wstring folded;  // letter case folded, as paths are compared
        unique_handle handle;
        DWORD error = ERROR_SUCCESS;
        DWORD volume = 0;
        bool tried = false;
    };
    struct Level {
        std::wstring name;
        unique_handle handle;
    };

    std::vector<Root> roots;
    std::size_t chainRoot = static_cast<std::size_t>(-1);
    std::vector<Level> chain;  // folders below chainRoot, outermost first

    // The root that anchors path and the names below it; false when the
    // path has no volume or a name the deleter will not open.
    bool Split(const std::wstring& path, std::size_t* root, std::vector<std::wstring>* names) {
        const std::wstring folded = Folded(path);
        std::size_t best = roots.size(), below = 0;
        for (std::size_t i = 0; i < roots.size(); ++i) {
            std::size_t at;
            if (HoldsPath(roots[i].folded, folded, &at) &&
                (best == roots.size() || roots[i].path.size() > roots[best].path.size())) {
                best = i;
                below = at;
            }
        }
        if (best == roots.size()) {
            const std::wstring volume = VolumeOf(path);
            if (volume.empty()) return false;
            roots.emplace_back(NormalRoot(volume));
            best = roots.size() - 1;
            HoldsPath(roots[best].folded, folded, &below);
        }
        *root = best;
        return SplitNames(path, below, names);
    }

    DWORD OpenRoot(Root& root) {
        if (!root.tried) {
            root.tried = true;
            // The root itself may be reached through a link: that is how it
            // was placed, and the scan started there.
            unique_hfile handle(CreateFileW(root.path.c_str(), kFolderAccess, kHoldFolder, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            BY_HANDLE_FILE_INFORMATION info;
            if (!handle) {
                root.error = GetLastError();
            } else if (!GetFileInformationByHandle(handle.get(), &info)) {
                root.error = GetLastError();
            } else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                root.error = ERROR_DIRECTORY;
            } else {
                root.handle.reset(handle.release());
                root.volume = info.dwVolumeSerialNumber;
            }
        }
        return root.handle ? ERROR_SUCCESS : root.error;
    }

    // The folder `count` names below root, through the chain of held
    // folders; the part the previous call opened is reused. With made, the
    // folders missing on the way are made and counted.
    DWORD Reach(std::size_t root, const std::vector<std::wstring>& names, std::size_t count,
                HANDLE* folder, std::size_t* made = nullptr) {
        const DWORD error = OpenRoot(roots[root]);
        if (error != ERROR_SUCCESS) return error;
        if (chainRoot != root) {
            chain.clear();
            chainRoot = root;
        }
        std::size_t same = 0;
        while (same < chain.size() && same < count && chain[same].name == names[same]) ++same;
        while (chain.size() > same) chain.pop_back();  // innermost first
        HANDLE parent = chain.empty() ? roots[root].handle.get() : chain.back().handle.get();
        for (std::size_t i = same; i < count; ++i) {
            DWORD opened;
            unique_handle next = OpenFolderByName(parent, names[i], roots[root].volume, 0, &opened);
            if (!next && made && opened == ERROR_FILE_NOT_FOUND) {
                next = MakeFolderBelow(parent, names[i], roots[root].volume, &opened);
                *made += next ? 1 : 0;
            }
            if (!next) return opened;
            parent = next.get();
            chain.push_back(Level{names[i], std::move(next)});
        }
        *folder = parent;
        return ERROR_SUCCESS;
    }

    // The folder that holds the file at path, reached, and the file's name.
    DWORD ReachFileFolder(const wchar_t* path, HANDLE* folder, std::wstring* name) {
        std::size_t root;
        std::vector<std::wstring> names;
        if (!Split(PlainPath(path), &root, &names)) return ERROR_INVALID_NAME;
        if (names.empty() || names.back().empty()) return ERROR_INVALID_NAME;
        *name = names.back();
        return Reach(root, names, names.size() - 1, folder);
    }

    // Reaches the folder at path and hands it to work(folder, volume, units
    // of its path, whether it is the anchor root). access adds to what a
    // folder below the root is opened with; the root keeps its own handle,
    // which cannot remove it.
    template <typename Work>
    DWORD OnFolder(const wchar_t* path, ACCESS_MASK access, Work work) {
        std::wstring plain = PlainPath(path);
        while (plain.size() > 3 && IsPathSeparator(plain.back())) plain.pop_back();
        if (plain.size() + kPatternUnits >= kPathUnits) return ERROR_FILENAME_EXCED_RANGE;
        std::size_t root;
        std::vector<std::wstring> names;
        if (!Split(plain, &root, &names)) return ERROR_INVALID_NAME;
        if (!names.empty() && names.back().empty()) names.pop_back();
        Root& anchor = roots[root];
        if (names.empty()) {
            const DWORD error = OpenRoot(anchor);
            if (error != ERROR_SUCCESS) return error;
            work(anchor.handle.get(), anchor.volume, plain.size(), true);
            return ERROR_SUCCESS;
        }
        HANDLE parent;
        DWORD error = Reach(root, names, names.size() - 1, &parent);
        if (error != ERROR_SUCCESS) return error;
        // Opened on its own, with the access asked for; the chain above it
        // stays held meanwhile.
        unique_handle folder =
            OpenFolderByName(parent, names.back(), anchor.volume, access, &error);
        if (!folder) return error;
        work(folder.get(), anchor.volume, plain.size(), false);
        return ERROR_SUCCESS;
    }
};

RootedDeleter::RootedDeleter(std::vector<std::wstring> roots) : state_(new State) {
    for (const std::wstring& root : roots) {
        std::wstring normal = NormalRoot(root);
        if (!normal.empty()) state_->roots.emplace_back(normal);
    }
}

RootedDeleter::~RootedDeleter() = default;

void RootedDeleter::Release() {
    state_->chain.clear();
    state_->chainRoot = static_cast<std::size_t>(-1);
    for (State::Root& root : state_->roots) {
        root.handle.reset();
        root.tried = false;
    }
}

DWORD RootedDeleter::DeleteFile(const wchar_t* path) {
    return DeleteFile(path, nullptr);
}

DWORD RootedDeleter::DeleteFile(const wchar_t* path, const FileIdentity& expected) {
    return DeleteFile(path, &expected);
}

DWORD RootedDeleter::DeleteFile(const wchar_t* path, const FileIdentity* expected) {
    HANDLE folder;
    std::wstring name;
    const DWORD error = state_->ReachFileFolder(path, &folder, &name);
    return error == ERROR_SUCCESS ? DeleteFileBelow(folder, name, expected) : error;
}

HoldOutcome RootedDeleter::HoldFile(const wchar_t* path, const FileIdentity& expected, HANDLE into,
                                    const std::wstring& heldName) {
    HoldOutcome out;
    HANDLE folder;
    std::wstring name;
    out.error = state_->ReachFileFolder(path, &folder, &name);
    if (out.error == ERROR_SUCCESS) HoldFileBelow(folder, name, expected, into, heldName, &out);
    return out;
}

DWORD RootedDeleter::AtFolder(const wchar_t* path, bool make, const FolderWork& work,
                              std::size_t* made) {
    std::size_t root, count = 0;
    std::vector<std::wstring> names;
    if (!state_->Split(PlainPath(path), &root, &names)) return ERROR_INVALID_NAME;
    if (!names.empty() && names.back().empty()) names.pop_back();
    HANDLE folder;
    const DWORD error = state_->Reach(root, names, names.size(), &folder, make ? &count : nullptr);
    if (made) *made = count;
    return error == ERROR_SUCCESS ? work(folder) : error;
}

DWORD RootedDeleter::EmptyFolder(const wchar_t* path, bool removeFolder) {
    return state_->OnFolder(
        path, removeFolder ? DELETE : 0,
        [removeFolder](HANDLE folder, DWORD volume, std::size_t units, bool isRoot) {
            EmptyHeldFolder(folder, volume, units);
            if (removeFolder && !isRoot) SetDisposition(folder);
        });
}

DWORD RootedDeleter::RemoveFolder(const wchar_t* path) {
    DWORD error = ERROR_SUCCESS;
    const DWORD reached =
        state_->OnFolder(path, DELETE, [&error](HANDLE folder, DWORD, std::size_t, bool isRoot) {
            if (isRoot)
                error = ERROR_ACCESS_DENIED;
            else if (!SetDisposition(folder))
                error = GetLastError();
        });
    return reached != ERROR_SUCCESS ? reached : error;
}

}  // namespace ufc
