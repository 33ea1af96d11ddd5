#include "space_picture.h"

#include <algorithm>

#include "dpi.h"
#include "gdi_owners.h"
#include "gui_ids.h"
#include "text/format.h"

namespace gui {

namespace {

constexpr wchar_t kClass[] = L"UfcleanSpacePicture";
const COLORREF kFreed = RGB(230, 180, 30);
const COLORREF kUsed = RGB(150, 150, 150);
const COLORREF kHeld = RGB(140, 86, 75);  // apart from every group's colour
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
    if (figures_.held) text += L" Held for undo: " + host::HumanSize(figures_.held) + L".";
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
        case kMsgCutLabels:
            return self ? reinterpret_cast<LRESULT>(&self->cut_) : 0;
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

std::vector<SpacePart> SpacePicture::DriveParts() const {
    const std::uint64_t total = figures_.driveTotal;
    const std::uint64_t used = total > figures_.driveFree ? total - figures_.driveFree : 0;
    // The held files are still on the drive: a part of what it uses.
    const std::uint64_t held = std::min(figures_.held, used);
    const std::uint64_t freed = std::min(Sum(figures_.groups), used - held);
    return {
        {host::HumanSize(used) + L" used of " + host::HumanSize(total), used - held - freed, kUsed},
        {host::HumanSize(held) + L" held", held, kHeld},
        {host::HumanSize(freed), freed, kFreed},
        {host::HumanSize(figures_.driveFree) + L" free", figures_.driveFree, kEmpty}};
}

std::vector<SpacePart> SpacePicture::Key() const {
    std::vector<SpacePart> key;
    for (const auto* parts : {&figures_.groups, &figures_.largest})
        for (const SpacePart& part : *parts)
            key.push_back(
                {part.label + L" " + host::HumanSize(part.bytes), part.bytes, part.color});
    const std::vector<SpacePart> drive = DriveParts();
    const wchar_t* const names[] = {L"Used", L"Held for undo", L"Freed by a clean", L"Free"};
    for (size_t k = 0; k < drive.size(); ++k)
        if (k != 1 || drive[k].bytes) key.push_back({names[k], drive[k].bytes, drive[k].color});
    return key;
}

std::vector<POINT> SpacePicture::KeyPlaces(HDC dc, const std::vector<SpacePart>& key,
                                           int width) const {
    // Entries side by side, a new line when the next would pass the edge.
    const int gap = Scale(4, dpi_), box = Scale(kRow, dpi_) / 2;
    std::vector<POINT> places;
    POINT at = {0, 0};
    for (const SpacePart& part : key) {
        const int wide = box + gap + TextWidth(dc, part.label);
        if (at.x > 0 && at.x + wide > width) at = {0, at.y + 1};
        places.push_back(at);
        at.x += wide + 3 * gap;
    }
    return places;
}

int SpacePicture::NeededHeight(int width) const {
    WindowDc screen(window_);
    SelectIn font(screen.get(),
                  font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    const std::vector<POINT> places = KeyPlaces(screen.get(), Key(), width);
    const int lines = places.empty() ? 0 : places.back().y + 1;
    return kBars * (Scale(kRow, dpi_) + Scale(4, dpi_)) + lines * Scale(kRow, dpi_);
}

void SpacePicture::Paint(HDC dc, const RECT& area) {
    cut_.clear();
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    SelectIn font(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const int gap = Scale(4, dpi_), row = Scale(kRow, dpi_);
    const std::uint64_t checked = Sum(figures_.groups);
    const std::vector<SpacePart> drive = DriveParts();
    // Before a scan (or when nothing is checked) the drive's line says what it holds.
    const std::wstring captions[kBars] = {
        L"To clean: " + host::HumanSize(checked), L"Largest checked items",
        checked ? figures_.drive + L" a clean frees " + host::HumanSize(drive[2].bytes)
                : figures_.drive + L" " + host::HumanSize(figures_.driveFree) + L" free"};
    int labelWidth = 0;
    for (const std::wstring& text : captions)
        labelWidth = std::max(labelWidth, TextWidth(dc, text) + 2 * gap);
    labelWidth = std::min<int>(labelWidth, area.right / 2);
    const std::vector<SpacePart> bars[kBars] = {Labelled(figures_.groups),
                                                Labelled(figures_.largest), drive};
    const std::uint64_t wholes[kBars] = {checked, Sum(figures_.largest), figures_.driveTotal};
    int y = 0;
    for (int k = 0; k < kBars; ++k, y += row + gap) {
        RECT place = {0, y, labelWidth - gap, y + row};
        if (TextWidth(dc, captions[k]) > place.right) cut_.push_back(captions[k]);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, captions[k].c_str(), -1, &place,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        DrawBar(dc, RECT{labelWidth, y, area.right - 1, y + row}, bars[k], wholes[k]);
    }

    // The key to every colour of the bars, line after line.
    const std::vector<SpacePart> key = Key();
    const std::vector<POINT> places = KeyPlaces(dc, key, area.right);
    const int box = row / 2;
    GdiObjectOwner frame(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    for (size_t k = 0; k < key.size(); ++k) {
        const int x = places[k].x, top = y + places[k].y * row;
        if (top + row > area.bottom) cut_.push_back(key[k].label);
        RECT swatch = {x, top + (row - box) / 2, x + box, top + (row + box) / 2};
        Fill(dc, swatch, key[k].color);
        FrameRect(dc, &swatch, static_cast<HBRUSH>(frame.get()));
        RECT place = {x + box + gap, top, area.right, top + row};
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, key[k].label.c_str(), -1, &place, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
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
