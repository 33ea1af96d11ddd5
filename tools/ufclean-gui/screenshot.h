// Saves what a window shows as a PNG file, so that its look can be checked
// without a person at the screen.
#pragma once

#include <windows.h>

#include <string>

namespace gui {

// Copies the window (frame included) from the screen and writes a PNG. On
// failure returns false and leaves the reason in `error`.
bool SaveWindowPng(HWND window, const std::wstring& path, std::wstring* error);

}  // namespace gui
