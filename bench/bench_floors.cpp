// The bare walks and the bare delete loop. They follow the same folder rules
// as the module's walks (dot-folders and links are not entered), so both
// sides see the same entries.
#include "bench_floors.h"

#include "fs/walk_rules.h"
#include "fs/handles.h"

namespace bench {

namespace {

void Walk(const wchar_t* prefix, bool openEach, bool recurse, host::ItemStore* store,
          WalkCount* count) {
    wchar_t path[ufc::kPathUnits];
    if (!ufc::JoinPath(path, prefix, L"*.*")) return;
    WIN32_FIND_DATAW entry;
    ufc::unique_hfind find(FindFirstFileW(path, &entry));
    if (!find) return;
    do {
        if (ufc::IsFolderEntry(entry)) {
            if (recurse && ufc::IsWalkableFolder(entry) &&
                ufc::JoinPath(path, prefix, entry.cFileName, L"\\"))
                Walk(path, openEach, recurse, store, count);
            continue;
        }
        count->files += 1;
        const std::uint64_t size =
            (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        count->bytes += size;
        if (store) store->AddFile(prefix, entry, static_cast<std::uint8_t>(kCategoryUnset));
        if (!openEach || !ufc::JoinPath(path, prefix, entry.cFileName)) continue;
        ufc::unique_hfile file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        count->opened += file.valid() ? 1 : 0;
    } while (FindNextFileW(find.get(), &entry));
}

}  // namespace

WalkCount WalkTree(const std::wstring& folder, bool openEach, bool recurse,
                   host::ItemStore* store) {
    WalkCount count;
    wchar_t prefix[ufc::kPathUnits];
    if (ufc::JoinPath(prefix, folder.c_str(), L"\\"))
        Walk(prefix, openEach, recurse, store, &count);
    return count;
}

std::uint64_t DeletePaths(const std::vector<std::wstring>& paths) {
    std::uint64_t deleted = 0;
    for (const std::wstring& path : paths) {
        SetFileAttributesW(path.c_str(), 0);
        deleted += DeleteFileW(path.c_str()) ? 1 : 0;
    }
    return deleted;
}

}  // namespace bench
