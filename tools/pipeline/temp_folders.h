// The folders a clean emptied in the temporary places: the module and the
// rules delete the files and leave their folders, which stay behind empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "items/item_store.h"
#include "pipeline/row.h"

namespace host {

// The temporary places a row cleans, each ending in a backslash: the one a
// category of the module scans, or those a rule's keys lie in. Empty for
// any other row, and for a place the system does not name.
std::vector<std::wstring> TempRootsOf(const Row& row);

// Removes, deepest first, the folders below the row's temporary places
// that hold a file of the row the clean removed (outcomes, indexed like the
// store) or a folder that went before, when they are empty now: by handle,
// never through a link, never a place itself, never a folder that was
// empty before. The number removed.
std::uint64_t RemoveEmptiedTempFolders(const Row& row, const ItemStore& store,
                                       const std::vector<ItemOutcome>& outcomes);

}  // namespace host
