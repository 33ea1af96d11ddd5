// The folders a clean of the Windows temporary files emptied: the module
// deletes the files and leaves their folders, which stay behind empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "items/item_store.h"

namespace host {

// Removes, deepest first, the folders below root (ending in a backslash)
// that hold a file of [first, end) the clean removed (outcomes, indexed like
// the store) or a folder that went before, when they are empty now: by
// handle, never through a link, never root itself, never a folder that was
// empty before. The number removed.
std::uint64_t RemoveEmptiedTempFolders(const std::wstring& root, const ItemStore& store,
                                       std::uint32_t first, std::uint32_t end,
                                       const std::vector<ItemOutcome>& outcomes);

// The Windows temporary folder that the module's category scans, with its
// trailing backslash; empty when the system does not say.
std::wstring WindowsTempFolder();

}  // namespace host
