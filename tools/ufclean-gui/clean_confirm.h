// The question asked before a clean removes anything.
#pragma once

#include <windows.h>

#include "scan_model.h"

namespace gui {

// Asks whether to remove the checked items; true for Yes.
// heldBinPath: the unchecked recycle-bin item that keeps the bin, or empty.
bool ConfirmClean(HWND owner, const Sums& sums, size_t actions, const std::wstring& heldBinPath);

}  // namespace gui
