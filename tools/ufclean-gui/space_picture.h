// A picture of the space: the bytes a clean would free, as bars by group
// and by largest item, and the system drive's used and free space with the
// parts a clean would free and the undo store holds marked in it. Drawn with GDI from the figures
// it is given; its window text says the same in words.
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
    std::uint64_t held = 0;  // of the used space: held for undo by earlier cleans
};

class SpacePicture {
public:
    // Sent to the picture: a pointer to the labels its last paint cut
    // (const std::vector<std::wstring>*), for the window's layout check.
    static constexpr UINT kMsgCutLabels = WM_APP + 1;
    void Create(HWND parent);
    HWND Handle() const { return window_; }
    void SetDpi(UINT dpi);
    void Show(SpaceFigures figures);
    // The height that shows the bars and the whole key at this width.
    int NeededHeight(int width) const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Three bars, then the key to their colours on as many lines as it takes.
    static constexpr int kBars = 3;
    static constexpr int kRow = 20;             // height of a bar or a line of the key at 96 DPI
    std::vector<SpacePart> DriveParts() const;  // used, held for undo, freed by a clean, free
    std::vector<SpacePart> Key() const;
    // Where each entry of the key goes: x in pixels, y in lines.
    std::vector<POINT> KeyPlaces(HDC dc, const std::vector<SpacePart>& key, int width) const;
    void Paint(HDC dc, const RECT& area);
    HWND window_ = nullptr;
    HFONT font_ = nullptr;  // the parent's, set by WM_SETFONT
    UINT dpi_ = 96;
    SpaceFigures figures_;
    std::vector<std::wstring> cut_;  // by the last paint
};

// The drive that holds the Windows folder, with its size and free space.
void ReadSystemDrive(SpaceFigures* figures);

}  // namespace gui
