// The question asked before a clean removes anything.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace gui {

// Asks whether to remove the checked items (count of them, bytes in all);
// true for Yes. heldBinPath: the unchecked recycle-bin item that keeps the
// bin, or empty. holds: the clean holds files for undo.
bool ConfirmClean(HWND owner, std::uint64_t count, std::uint64_t bytes, size_t actions,
                  const std::wstring& heldBinPath, bool holds);

}  // namespace gui
