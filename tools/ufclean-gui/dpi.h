// Per-monitor DPI: the window's DPI, scaled lengths and the message font at
// that DPI. The newer user32 calls are looked up at run time so the program
// also starts on systems without them (96 DPI is assumed there).
#pragma once

#include <windows.h>

namespace gui {

UINT WindowDpi(HWND window);
inline int Scale(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), 96);
}
int SystemMetric(int index, UINT dpi);
// The system's message font at `dpi`; the caller owns it.
HFONT CreateMessageFont(UINT dpi);

}  // namespace gui
