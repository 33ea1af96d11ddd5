#include "pipeline/held_files.h"

#include <windows.h>

#include <unordered_set>

#include "fs/fold.h"
#include "fs/handles.h"

namespace host {

namespace {

// The module's own lock test: the file opened for reading and writing with
// no sharing. Never through a link; a folder or a path that names nothing
// is no held file.
bool HeldNow(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    ufc::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.valid()) return false;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace

void MetFiles::OnProgress(const ProgressInfo* info) {
    if (info && info->category == category_) paths_.emplace_back(info->path);
    if (next_) next_->OnProgress(info);
}

std::uint64_t CountHeldFiles(const std::vector<std::wstring>& met, const ItemStore& store,
                             std::uint32_t first, std::uint32_t end) {
    std::unordered_set<std::wstring> seen;
    for (std::uint32_t i = first; i < end; ++i) seen.insert(ufc::Folded(store.Path(i)));
    std::uint64_t held = 0;
    for (const std::wstring& path : met) {
        // A name without its folder is no path of this machine's disks.
        if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') continue;
        if (seen.insert(ufc::Folded(path)).second && HeldNow(path)) ++held;
    }
    return held;
}

}  // namespace host
