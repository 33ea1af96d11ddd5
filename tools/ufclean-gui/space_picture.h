// A picture of the space: the bytes a clean would free, as bars by group
// and by largest item, and the system drive's used and free space with the
// part a clean would free marked in it. Drawn with GDI from the figures it
// is given; its window text says the same in words.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

struct SpacePart {
    std::wstring label;
    std::uint64_t bytes = 0;
    COLORREF color = 0;
};

struct SpaceFigures {
    std::vector<SpacePart> groups;   // checked bytes per group
    std::vector<SpacePart> largest;  // the largest checked items, then the rest
    std::wstring drive;              // "C:"
    std::uint64_t driveTotal = 0, driveFree = 0;
};

class SpacePicture {
public:
    // Three bars, then the key to their colours on the lines left.
    static constexpr int kRows = 6;
    void Create(HWND parent);
    HWND Handle() const { return window_; }
    void SetDpi(UINT dpi);
    void Show(SpaceFigures figures);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& area) const;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;  // the parent's, set by WM_SETFONT
    UINT dpi_ = 96;
    SpaceFigures figures_;
};

// The drive that holds the Windows folder, with its size and free space.
void ReadSystemDrive(SpaceFigures* figures);

}  // namespace gui
