// A rule's clean: exactly the listed files deleted by handle, each asked
// of the guard again, and the folders the clean emptied removed.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "items/selection.h"
#include "fs/file_identity.h"
#include "fs/rooted_delete.h"
#include "rules/guard.h"

namespace host {

// How a clean takes files away when it does not simply delete them: a held
// clean moves them into the undo store. A clean hands its files over a
// batch at a time: the batch is announced before any of its files goes,
// then each file is taken through the clean's own deleter, then the batch
// is settled.
class FileTaker {
public:
    virtual void Announce(const ItemStore& store, const std::vector<std::uint32_t>& items) = 0;
    // ERROR_SUCCESS when the file left its place (held, or deleted when it
    // could not be held); held says which.
    virtual DWORD Take(ufc::RootedDeleter& deleter, const ItemStore& store, std::uint32_t item,
                       bool* held) = 0;
    virtual void Settle() = 0;

protected:
    ~FileTaker() = default;
};

// What the scan listed of item i: its size, last write and the tag of its
// file id, as the handle that removes it must show them.
ufc::FileIdentity ListedIdentity(const ItemStore& store, std::uint32_t i);

struct RuleCleanResult {
    CleanTotals totals;
    std::uint64_t inUse = 0;    // not removed: another program holds them open
    std::uint64_t changed = 0;  // not removed: rewritten or replaced since the scan
    std::uint64_t foldersRemoved = 0;
    std::uint64_t held = 0, heldBytes = 0;  // of those removed: held for undo, not freed
    GuardCounts stoppedByGuard;             // selected files the guard kept
    bool stopped = false;
};

// The folder that holds folder (both ending in a backslash); empty for a
// drive's root.
std::wstring ParentFolder(const std::wstring& folder);

// Removes each folder of folders (each ending in a backslash, deepest
// first) that a clean emptied: it held a file the clean removed
// (removedFrom) or a folder that went before it, and is empty now. By
// handle, never through a link below the roots, never a root itself; an
// empty folder that was empty before stays. The number removed.
std::uint64_t RemoveEmptiedFolders(const std::vector<std::wstring>& folders,
                                   const std::vector<std::wstring>& removedFrom,
                                   const std::vector<std::wstring>& roots);

// Deletes exactly the files of the selected items of range, those of skip
// (sorted indices, null: none) aside: by handle, never a folder, never
// through a link below the rule roots, read-only ones too. Each item's path
// and identity are read straight from the store: it is asked of the guard
// (with the rule's context) just before, and deleted only while the handle
// shows what the scan listed (its size, last write and, when the listing
// gave one, the tag of its file id); a file changed since is left and
// counted apart. Then, unless stopped (stop is tested before every file),
// each folder of emptiedFolders (a scan's, deepest first) that this clean
// emptied goes: one that held a file the clean removed, or a folder that
// went before it, when it is empty now and still a real folder. outcomes,
// when given, is indexed like the store: each item handed over gets
// Removed or the reason it is still there. With a taker, the files the
// guard lets go are handed to it a batch at a time instead of deleted.
void CleanRuleItems(const ItemStore& store, ItemRange range, const std::vector<std::uint32_t>* skip,
                    const std::vector<std::wstring>& emptiedFolders, const GuardContext& guard,
                    IScanProgress* progress, const std::atomic<bool>* stop, RuleCleanResult* result,
                    std::vector<ItemOutcome>* outcomes, FileTaker* taker = nullptr);

// The same for a module category's items, which its scan chose: no guard,
// no folders removed; each goes through taker (the held clean of a
// category, in place of the module's own removal).
void TakeStoredItems(const ItemStore& store, ItemRange range,
                     const std::vector<std::uint32_t>* skip, IScanProgress* progress,
                     const std::atomic<bool>* stop, RuleCleanResult* result,
                     std::vector<ItemOutcome>* outcomes, FileTaker* taker);

}  // namespace host
