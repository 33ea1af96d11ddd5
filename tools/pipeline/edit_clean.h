// The clean of a row whose items are database edits: each selected edit
// made by the browser data layer, when the browser is not running, with
// its databases held for undo first when the clean holds the row.
#pragma once

#include <atomic>
#include <vector>

#include "items/item_store.h"
#include "pipeline/held_clean.h"
#include "pipeline/row.h"

namespace host {

// Makes the edits of the row's selected items (those of skip, sorted,
// aside). Each counts removed (its bytes the ones it freed), in use or
// failed, with its reason in the row's edit; outcomes gets Removed, InUse (the browser
// runs or holds the database) or Remained (refused). With held, an edit's
// files are copied into the undo store before it, and an edit whose files
// cannot be held is not made.
void CleanEdits(const ItemStore& store, const std::vector<std::uint32_t>& skip,
                IScanProgress* progress, const std::atomic<bool>* stop, Row* row,
                std::vector<ItemOutcome>* outcomes, HeldClean* held);

}  // namespace host
