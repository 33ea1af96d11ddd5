#include "fs/rooted_delete.h"

#include <cstdint>
#include <cwchar>

#include "fs/below_folder.h"
#include "fs/delete_path.h"
#include "fs/file_identity.h"
#include "fs/fold.h"
#include "fs/handles.h"
#include "fs/nt_folder.h"
#include "fs/path_text.h"

namespace ufc {

using below::DeleteFileBelow;
using below::EmptyHeldFolder;
using below::HoldFileBelow;
using below::kFolderAccess;
using below::kHoldFolder;
using below::kPatternUnits;
using below::MakeFolderBelow;
using below::OpenFolderByName;
using below::SetDisposition;

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
