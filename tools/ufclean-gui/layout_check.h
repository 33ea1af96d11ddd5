// The window's own check of its layout, for --layout-report: every visible
// label measured in its control's font against the room the control gives
// it. A label that does not fit is reported with the room it has.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// One line per label that is cut: "control: text (needs N px, has M px)".
std::vector<std::wstring> ClippedLabels(HWND window);

}  // namespace gui
