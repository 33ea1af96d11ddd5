// A rule's clean: exactly the listed files deleted by handle, each asked
// of the guard again, and the folders the clean emptied removed.
#include "rules/rule_clean.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "fs/file_identity.h"
#include "fs/path_text.h"
#include "fs/rooted_delete.h"
#include "items/selection.h"
#include "rules/places.h"
#include "text/format.h"
#include "rules/guard.h"

namespace host {

namespace {

bool FitsPath(const std::wstring& path) {
    return path.size() < ufc::kPathUnits;
}

// An item without dates counts as new: the guard keeps it in a temp folder.
std::uint64_t NewestOf(const FoundItem& item) {
    FILETIME written = {}, created = {};
    const bool dated = SystemTimeToFileTime(&item.written, &written) &&
                       SystemTimeToFileTime(&item.created, &created);
    return dated ? std::max(Ticks(written), Ticks(created)) : ~0ull;
}

// The folder that holds folder (both ending in a backslash); empty for a
// drive's root.
std::wstring ParentFolder(const std::wstring& folder) {
    const std::size_t cut = folder.find_last_of(L'\\', folder.size() >= 2 ? folder.size() - 2 : 0);
    return cut == std::wstring::npos ? std::wstring() : folder.substr(0, cut + 1);
}

bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

}  // namespace

void CleanRuleItems(const ResultList& items, const std::vector<std::uint32_t>& idTags,
                    const GuardContext& guard, IScanProgress* progress,
                    const std::atomic<bool>* stop, RuleCleanResult* result) {
    std::uint64_t selected = 0;
    for (const FoundItem& item : items) selected += item.selected ? 1 : 0;
    std::uint64_t done = 0;
    ufc::RootedDeleter deleter(KnownRuleRoots());
    FileGuard fileGuard(guard);
    std::size_t k = 0;
    for (const FoundItem& item : items) {
        const std::uint32_t idTag = k < idTags.size() ? idTags[k] : 0;
        ++k;
        if (!item.selected) continue;
        if (stop && stop->load()) {
            result->stopped = true;
            return;
        }
        const std::wstring path = ItemPath(item);
        ++done;
        if (progress) {
            ProgressInfo info;
            info.category = kCategoryUnset;
            ufc::CopyTruncated(info.path, path.c_str());
            info.percent = static_cast<std::uint32_t>(done * 100 / selected);
            info.count = static_cast<std::uint32_t>(result->totals.removed);
            progress->OnProgress(&info);
        }
        const GuardVerdict verdict = fileGuard.Check(
            std::wstring_view(item.folder, wcsnlen(item.folder, kTextUnits)),
            std::wstring_view(item.name, wcsnlen(item.name, kTextUnits)), NewestOf(item));
        if (verdict.Stopped()) {
            result->stoppedByGuard.Add(verdict.reason);
            continue;
        }
        // Below the special folder no link is followed: one put in place of
        // a listed folder since the scan would lead the delete elsewhere. The
        // file that goes is the one listed: its size, last write and file id
        // are checked on the handle that deletes it.
        const ufc::FileIdentity listed = ufc::RecordIdentity(item.size, item.written, idTag);
        const DWORD error =
            FitsPath(path) ? deleter.DeleteFile(path.c_str(), listed) : ERROR_FILENAME_EXCED_RANGE;
        if (error == ERROR_SUCCESS) {
            result->totals.removed += 1;
            result->totals.bytesFreed += item.size;
            const std::wstring folder(item.folder, wcsnlen(item.folder, kTextUnits));
            if (result->removedFrom.empty() || result->removedFrom.back() != folder)
                result->removedFrom.push_back(folder);
        } else if (IsInUse(error)) {
            ++result->inUse;
        } else if (error == ufc::kChangedSinceScan) {
            ++result->changed;
        } else {
            result->totals.failed += 1;
        }
    }
}

void RemoveEmptiedFolders(const std::vector<std::wstring>& folders,
                          const std::vector<std::wstring>& removedFrom, RuleCleanResult* result) {
    // Only folders this clean emptied: one that held a file the clean
    // removed, or a folder below that went (folders come deepest first). An
    // empty folder that was empty before stays.
    std::set<std::wstring> emptiedNow(removedFrom.begin(), removedFrom.end());
    // The same deleter as the files': no link below a root on the way, only
    // an empty folder goes, and never a root itself.
    ufc::RootedDeleter deleter(KnownRuleRoots());
    for (const std::wstring& folder : folders) {
        if (!emptiedNow.count(folder) || !FitsPath(folder) ||
            deleter.RemoveFolder(folder.c_str()) != ERROR_SUCCESS)
            continue;
        ++result->foldersRemoved;
        emptiedNow.insert(ParentFolder(folder));
    }
}

}  // namespace host
