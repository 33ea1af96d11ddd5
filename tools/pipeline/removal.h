// Removal of stored items. The module's removal takes a list per call, so
// the selected items of a range are rebuilt into FoundItem records a chunk
// at a time and handed to a removal routine (the module's CleanUnusedFile
// or the hosts' rule clean); totals and progress add up across chunks. A
// chunk that did not remove all it was given is looked at again, item by
// item, to tell what went from what stayed and why.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"
#include "rules/guard.h"

namespace host {

struct RemovalPass {
    std::uint32_t first = 0, end = 0;  // the range of the store
    // Sorted indices not to hand over: a path listed twice goes once.
    const std::vector<std::uint32_t>* skip = nullptr;
    bool whole = false;           // every item in one list: the recycle bin goes whole
    bool registryValues = false;  // the items name values below HKEY_CURRENT_USER
    std::size_t chunkItems = 4096;
};

struct RemovalResult {
    CleanTotals totals;
    std::uint64_t inUse = 0;           // not removed, held open (counted apart from failures)
    std::uint64_t changed = 0;         // not removed: rewritten or replaced since the scan (too)
    std::uint32_t result = 1;          // the routine's last answer: 1 done, 2 stopped, 0 failed
    std::uint64_t handed = 0;          // items handed over
    std::uint64_t foldersRemoved = 0;  // a rule's emptied folders
    GuardCounts stoppedByGuard;        // a rule's selected files the guard kept
};

// Removes one chunk, adding to the totals, inUse and changed of counts: 1
// done, 2 stopped, 0 failed. idTags holds, beside each item of the chunk,
// the tag of the file id its scan saw (0: none).
using ChunkRemover =
    std::function<std::uint32_t(const ResultList& chunk, const std::vector<std::uint32_t>& idTags,
                                RemovalResult* counts, IScanProgress* progress)>;

// The pass a category's items need: the recycle bin goes whole, typed
// addresses and Run-box commands are registry values.
RemovalPass PassFor(std::uint32_t category, std::uint32_t first, std::uint32_t end);

// The module's removal of a category, and the hosts' rule clean (stop, when
// given, is tested before every file; the files the guard keeps add to
// stopped; removedFrom, when given, gets the folders of the files it
// removed), as chunk removers. The module counts a file changed since the
// scan as failed: its remover looks at what a chunk left to count those
// apart.
ChunkRemover ModuleRemover(Function::IUnusedFileClean* cleaner, std::uint32_t category);
ChunkRemover RuleRemover(const std::atomic<bool>* stop, const GuardContext& guard,
                         GuardCounts* stopped, std::vector<std::wstring>* removedFrom = nullptr);

// Hands the pass's items to remove() in chunks. Progress reports are
// rescaled to the whole pass. outcomes, when given, is indexed like the
// store; each item handed over gets Removed or the reason it is still there
// (an item a stop kept from its turn gets None).
void RemoveInChunks(const ItemStore& store, const RemovalPass& pass, const ChunkRemover& remove,
                    IScanProgress* progress, RemovalResult* result,
                    std::vector<ItemOutcome>* outcomes);

// A rule's clean: RemoveInChunks with RuleRemover, then, unless it was
// stopped, the folders of emptiedFolders that it emptied
// (RemoveEmptiedFolders).
void RemoveRuleInChunks(const ItemStore& store, const RemovalPass& pass,
                        const std::vector<std::wstring>& emptiedFolders, const GuardContext& guard,
                        const std::atomic<bool>* stop, IScanProgress* progress,
                        RemovalResult* result, std::vector<ItemOutcome>* outcomes);

// Whether the item a removal was given is still there, and why: a file that
// is not what the item records (size, last write, and the file id of
// idTag, when not 0) has changed since the scan.
ItemOutcome ProbeLeftover(const FoundItem& item, bool registryValue, std::uint32_t idTag = 0);

}  // namespace host
