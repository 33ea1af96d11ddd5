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
#include "rules/guard.h"

namespace host {

namespace {

// Files handed to a taker at a time: its journal is flushed once a batch.
constexpr std::size_t kTakenPerBatch = 4096;

bool FitsPath(const std::wstring& path) {
    return path.size() < ufc::kPathUnits;
}

bool Handed(const ItemStore& store, const std::vector<std::uint32_t>* skip, std::uint32_t i) {
    return store.Selected(i) && !(skip && std::binary_search(skip->begin(), skip->end(), i));
}

}  // namespace

std::wstring ParentFolder(const std::wstring& folder) {
    const std::size_t cut = folder.find_last_of(L'\\', folder.size() >= 2 ? folder.size() - 2 : 0);
    return cut == std::wstring::npos ? std::wstring() : folder.substr(0, cut + 1);
}

std::uint64_t RemoveEmptiedFolders(const std::vector<std::wstring>& folders,
                                   const std::vector<std::wstring>& removedFrom,
                                   const std::vector<std::wstring>& roots) {
    std::set<std::wstring> emptiedNow(removedFrom.begin(), removedFrom.end());
    // The same deleter as the files': no link below a root on the way, only
    // an empty folder goes, and never a root itself.
    ufc::RootedDeleter deleter(roots);
    std::uint64_t removed = 0;
    for (const std::wstring& folder : folders) {
        if (!emptiedNow.count(folder) || !FitsPath(folder) ||
            deleter.RemoveFolder(folder.c_str()) != ERROR_SUCCESS)
            continue;
        ++removed;
        emptiedNow.insert(ParentFolder(folder));
    }
    return removed;
}

ufc::FileIdentity ListedIdentity(const ItemStore& store, std::uint32_t i) {
    ufc::FileIdentity listed;
    listed.idTag = store.IdTag(i);
    if (const std::uint64_t written = store.Time(i, ItemTime::Written)) {
        listed.size = store.Bytes(i);
        listed.written = written;
    }
    return listed;
}

namespace {

// The clean of a range's selected files; guard null: the module's items,
// which its scan already chose, go without a word of the guard.
void CleanItems(const ItemStore& store, ItemRange range, const std::vector<std::uint32_t>* skip,
                const std::vector<std::wstring>& emptiedFolders, const GuardContext* guard,
                IScanProgress* progress, const std::atomic<bool>* stop, RuleCleanResult* result,
                std::vector<ItemOutcome>* outcomes, FileTaker* taker) {
    static const GuardContext kUnused;
    std::uint64_t handed = 0;
    for (std::uint32_t i = range.first; i < range.end; ++i) handed += Handed(store, skip, i);
    std::vector<std::wstring> removedFrom;  // the folders of the files removed, in order
    // The deleter keeps the last folder it went through open: it is gone
    // before the emptied folders are removed.
    {
        std::uint64_t done = 0;
        ufc::RootedDeleter deleter(KnownRuleRoots());
        FileGuard fileGuard(guard ? *guard : kUnused);
        ProgressInfo info;
        info.category = kCategoryUnset;
        std::vector<std::uint32_t> batch;
        for (std::uint32_t next = range.first; next < range.end;) {
            // The guard has its say on a batch before a taker hears of it:
            // a taker's journal announces only files that are to go.
            batch.clear();
            for (; next < range.end && batch.size() < kTakenPerBatch; ++next) {
                if (!Handed(store, skip, next)) continue;
                // An item without dates counts as new: the guard keeps it in a
                // temporary folder.
                const std::uint64_t written = store.Time(next, ItemTime::Written);
                const std::uint64_t created = store.Time(next, ItemTime::Created);
                const std::uint64_t newest =
                    written && created ? std::max(written, created) : ~0ull;
                const GuardVerdict verdict =
                    guard ? fileGuard.Check(store.Folder(next), store.Name(next), newest)
                          : GuardVerdict();
                if (!verdict.Stopped()) {
                    batch.push_back(next);
                    continue;
                }
                ++done;
                result->stoppedByGuard.Add(verdict.reason);
                if (outcomes) (*outcomes)[next] = ItemOutcome::Remained;
            }
            if (taker && !batch.empty()) taker->Announce(store, batch);
            for (std::uint32_t i : batch) {
                if (stop && stop->load()) {
                    result->stopped = true;
                    if (taker) taker->Settle();
                    return;
                }
                const std::wstring path = store.Path(i);
                ++done;
                if (progress) {
                    ufc::CopyTruncated(info.path, path.c_str());
                    info.percent = static_cast<std::uint32_t>(done * 100 / handed);
                    info.count = static_cast<std::uint32_t>(result->totals.removed);
                    progress->OnProgress(&info);
                }
                // Below the rule roots no link is followed: one put in place of a
                // listed folder since the scan would lead the delete elsewhere.
                // The file that goes is the one listed: its size, last write and
                // file id are checked on the handle that removes it.
                bool held = false;
                DWORD error = ERROR_FILENAME_EXCED_RANGE;
                if (FitsPath(path))
                    error = taker ? taker->Take(deleter, store, i, &held)
                                  : deleter.DeleteFile(path.c_str(), ListedIdentity(store, i));
                const ItemOutcome outcome =
                    error == ufc::kChangedSinceScan ? ItemOutcome::Changed : OutcomeOf(error);
                if (error == ERROR_SUCCESS) {
                    result->totals.removed += 1;
                    (held ? result->heldBytes : result->totals.bytesFreed) += store.Bytes(i);
                    result->held += held;
                    if (removedFrom.empty() || removedFrom.back() != store.Folder(i))
                        removedFrom.emplace_back(store.Folder(i));
                } else if (outcome == ItemOutcome::InUse) {
                    ++result->inUse;
                } else if (outcome == ItemOutcome::Changed) {
                    ++result->changed;
                } else {
                    result->totals.failed += 1;
                }
                if (outcomes) (*outcomes)[i] = outcome;
            }
            if (taker) taker->Settle();
        }
    }
    result->foldersRemoved += RemoveEmptiedFolders(emptiedFolders, removedFrom, KnownRuleRoots());
}

}  // namespace

void CleanRuleItems(const ItemStore& store, ItemRange range, const std::vector<std::uint32_t>* skip,
                    const std::vector<std::wstring>& emptiedFolders, const GuardContext& guard,
                    IScanProgress* progress, const std::atomic<bool>* stop, RuleCleanResult* result,
                    std::vector<ItemOutcome>* outcomes, FileTaker* taker) {
    CleanItems(store, range, skip, emptiedFolders, &guard, progress, stop, result, outcomes, taker);
}

void TakeStoredItems(const ItemStore& store, ItemRange range,
                     const std::vector<std::uint32_t>* skip, IScanProgress* progress,
                     const std::atomic<bool>* stop, RuleCleanResult* result,
                     std::vector<ItemOutcome>* outcomes, FileTaker* taker) {
    CleanItems(store, range, skip, {}, nullptr, progress, stop, result, outcomes, taker);
}

}  // namespace host
