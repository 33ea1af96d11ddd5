// The module's removal of stored items. The module takes a list per call,
// so the selected items of a row are rebuilt into FoundItem records a chunk
// at a time; totals and progress add up across chunks. A chunk that did not
// remove all it was given is looked at again, item by item, to tell what
// went from what stayed and why. (A rule's items need no records: the rule
// clean reads them straight from the store.)
#pragma once

#include <cstdint>
#include <vector>

#include "UnusedFileClean.h"
#include "items/item_store.h"

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
    std::uint64_t changed = 0;  // not removed: rewritten or replaced since the scan
    std::uint32_t result = 1;   // the module's last answer: 1 done, 2 stopped, 0 failed
    std::uint64_t handed = 0;   // items handed over
};

// The pass a category's items need: the recycle bin goes whole, typed
// addresses and Run-box commands are registry values.
RemovalPass PassFor(std::uint32_t category, std::uint32_t first, std::uint32_t end);

// Hands the pass's items to the module's removal of the category in
// chunks. Progress reports are rescaled to the whole pass. The module
// counts a file changed since the scan as failed: what a chunk left is
// looked at to count those apart. outcomes, when given, is indexed like the
// store; each item handed over gets Removed or the reason it is still there
// (an item a stop kept from its turn gets None).
void RemoveModuleItems(Function::IUnusedFileClean* cleaner, std::uint32_t category,
                       const ItemStore& store, const RemovalPass& pass, IScanProgress* progress,
                       RemovalResult* result, std::vector<ItemOutcome>* outcomes);

}  // namespace host
