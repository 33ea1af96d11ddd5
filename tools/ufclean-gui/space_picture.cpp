#include "space_picture.h"

#include <algorithm>

#include "dpi.h"
#include "gdi_owners.h"
#include "gui_ids.h"
#include "text/format.h"

namespace gui {

namespace {

constexpr wchar_t kClass[] = L"UfcleanSpacePicture";
constexpr int kRows = SpacePicture::kRows;
const COLORREF kFreed = RGB(230, 180, 30);
const COLORREF kUsed = RGB(150, 150, 150);
const COLORREF kEmpty = RGB(255, 255, 255);

std::uint64_t Sum(const std::vector<SpacePart>& parts) {
    std::uint64_t sum = 0;
    for (const SpacePart& part : parts) sum += part.bytes;
    return sum;
}

void Fill(HDC dc, const RECT& area, COLORREF color) {
    GdiObjectOwner brush(CreateSolidBrush(color));
    FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
}

// Light text on dark colours, dark text on light ones.
COLORREF TextOn(COLORREF color) {
    const int light = GetRValue(color) * 299 + GetGValue(color) * 587 + GetBValue(color) * 114;
    return light > 150000 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// A bar of parts side by side over `whole` bytes; each part that is wide
// enough carries its label.
void DrawBar(HDC dc, const RECT& bar, const std::vector<SpacePart>& parts, std::uint64_t whole) {
    Fill(dc, bar, kEmpty);
    const long width = bar.right - bar.left;
    long x = bar.left;
    std::uint64_t before = 0;
    for (const SpacePart& part : parts) {
        if (!whole || !part.bytes) continue;
        before += part.bytes;
        const long end = bar.left + static_cast<long>(static_cast<double>(before) /
                                                      static_cast<double>(whole) * width);
        // A part is never thinner than a mark that can be seen.
        const RECT piece = {x, bar.top, std::max(end, x + 3), bar.bottom};
        Fill(dc, piece, part.color);
        // A label is drawn whole or not at all: the legend names every part.
        RECT text = {piece.left + 3, piece.top, piece.right - 3, piece.bottom};
        if (TextWidth(dc, part.label) <= text.right - text.left) {
            SetTextColor(dc, TextOn(part.color));
            DrawTextW(dc, part.label.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
        x = piece.right;
    }
    GdiObjectOwner frame(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    FrameRect(dc, &bar, static_cast<HBRUSH>(frame.get()));
}

std::vector<SpacePart> Labelled(std::vector<SpacePart> parts) {
    for (SpacePart& part : parts) part.label += L" " + host::HumanSize(part.bytes);
    return parts;
}

}  // namespace

void SpacePicture::Create(HWND parent) {
    static const ATOM type = [] {
        WNDCLASSEXW made = {};
        made.cbSize = sizeof made;
        made.style = CS_HREDRAW | CS_VREDRAW;
        made.lpfnWndProc = Procedure;
        made.hInstance = GetModuleHandleW(nullptr);
        made.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        made.lpszClassName = kClass;
        return RegisterClassExW(&made);
    }();
    if (!type) return;
    window_ = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSpace)),
                              GetModuleHandleW(nullptr), this);
}

void SpacePicture::SetDpi(UINT dpi) {
    dpi_ = dpi;
    InvalidateRect(window_, nullptr, FALSE);
}

void SpacePicture::Show(SpaceFigures figures) {
    figures_ = std::move(figures);
    // The same in words, for whoever reads the window rather than sees it.
    std::wstring text = L"To clean: " + host::HumanSize(Sum(figures_.groups));
    for (const SpacePart& part : figures_.groups)
        if (part.bytes) text += L"; " + part.label + L" " + host::HumanSize(part.bytes);
    if (figures_.driveTotal)
        text += L". " + figures_.drive + L" " + host::HumanSize(figures_.driveFree) + L" free of " +
                host::HumanSize(figures_.driveTotal) + L".";
    SetWindowTextW(window_, text.c_str());
    InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK SpacePicture::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<SpacePicture*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_SETFONT:
            if (self) self->font_ = reinterpret_cast<HFONT>(wParam);
            if (lParam) InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETFONT:
            return self ? reinterpret_cast<LRESULT>(self->font_) : 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC screen = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            // Drawn off screen first, so that a scan's updates do not flicker.
            MemoryDcOwner dc(CreateCompatibleDC(screen));
            GdiObjectOwner canvas(CreateCompatibleBitmap(screen, area.right, area.bottom));
            if (self && dc && canvas) {
                SelectIn in(dc.get(), canvas.get());
                self->Paint(dc.get(), area);
                BitBlt(screen, 0, 0, area.right, area.bottom, dc.get(), 0, 0, SRCCOPY);
            }
            EndPaint(window, &paint);
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void SpacePicture::Paint(HDC dc, const RECT& area) const {
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    SelectIn font(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const int gap = Scale(4, dpi_);
    const int row = (area.bottom - (kRows - 1) * gap) / kRows;
    const int labelWidth = std::min<int>(Scale(190, dpi_), area.right / 3);
    const std::uint64_t checked = Sum(figures_.groups);
    auto caption = [&](int y, const std::wstring& text) {
        RECT place = {0, y, labelWidth - gap, y + row};
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, text.c_str(), -1, &place,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    };
    auto bar = [&](int y) { return RECT{labelWidth, y, area.right - 1, y + row}; };

    // The checked bytes by group, and the same bytes by largest item.
    int y = 0;
    caption(y, L"To clean: " + host::HumanSize(checked));
    DrawBar(dc, bar(y), Labelled(figures_.groups), checked);
    y += row + gap;
    caption(y, L"Largest checked items");
    DrawBar(dc, bar(y), Labelled(figures_.largest), Sum(figures_.largest));
    y += row + gap;

    // The drive: what stays used, what a clean frees, what is free.
    const std::uint64_t total = figures_.driveTotal;
    const std::uint64_t used = total > figures_.driveFree ? total - figures_.driveFree : 0;
    const std::uint64_t freed = std::min(checked, used);
    // Before a scan (or when nothing is checked) the line says what the drive holds.
    caption(y, checked ? figures_.drive + L" a clean frees " + host::HumanSize(freed)
                       : figures_.drive + L" " + host::HumanSize(figures_.driveFree) + L" free");
    const std::vector<SpacePart> drive = {
        {host::HumanSize(used) + L" used of " + host::HumanSize(total), used - freed, kUsed},
        {host::HumanSize(freed), freed, kFreed},
        {host::HumanSize(figures_.driveFree) + L" free", figures_.driveFree, kEmpty}};
    DrawBar(dc, bar(y), drive, total);
    y += row + gap;

    // The key to every colour of the bars, line after line.
    std::vector<SpacePart> key;
    for (const SpacePart& part : figures_.groups)
        key.push_back({part.label + L" " + host::HumanSize(part.bytes), part.bytes, part.color});
    for (const SpacePart& part : figures_.largest)
        key.push_back({part.label + L" " + host::HumanSize(part.bytes), part.bytes, part.color});
    key.push_back({L"Used", used - freed, kUsed});
    key.push_back({L"Freed by a clean", freed, kFreed});
    key.push_back({L"Free", figures_.driveFree, kEmpty});
    const int box = row / 2;
    int x = 0;
    for (const SpacePart& part : key) {
        const int width = box + gap + TextWidth(dc, part.label);
        if (x > 0 && x + width > area.right) {
            x = 0;
            y += row;
        }
        RECT swatch = {x, y + (row - box) / 2, x + box, y + (row + box) / 2};
        Fill(dc, swatch, part.color);
        GdiObjectOwner frame(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
        FrameRect(dc, &swatch, static_cast<HBRUSH>(frame.get()));
        RECT place = {x + box + gap, y, x + width + 1, y + row};
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, part.label.c_str(), -1, &place, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        x += width + 3 * gap;
    }
}

void ReadSystemDrive(SpaceFigures* figures) {
    wchar_t windows[MAX_PATH] = {};
    const UINT units = GetWindowsDirectoryW(windows, MAX_PATH);
    if (units < 3 || units >= MAX_PATH) return;
    const std::wstring root(windows, 3);
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &free)) return;
    figures->drive = root.substr(0, 2);
    figures->driveTotal = total.QuadPart;
    figures->driveFree = free.QuadPart;
}

}  // namespace gui
