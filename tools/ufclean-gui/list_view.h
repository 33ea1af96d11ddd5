// Small helpers over the report-style list views of the window, and the
// making of its other controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "gdi_owners.h"

namespace gui {

// A visible child control of parent, of the class type, with its id.
HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id);
HWND CreateReportList(HWND parent, int id, DWORD extraStyle, DWORD extendedStyle);
void AddColumn(HWND list, int index, const wchar_t* title, int width, bool right = false);
// Inserts a row at the end with the text of column 0; returns its index.
int AddRow(HWND list, const std::wstring& text, LPARAM param, int image = -1);
void SetCell(HWND list, int row, int column, const std::wstring& text);
// Column widths follow the DPI: pass the widths at 96 DPI.
void ScaleColumns(HWND list, const int* widths96, int count, UINT dpi);
// Measures texts in one control's font.
class TextRuler {
public:
    explicit TextRuler(HWND control)
        : dc_(control),
          font_(dc_.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0))) {}
    int Width(const std::wstring& text) const {
        SIZE size = {};
        GetTextExtentPoint32W(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    WindowDc dc_;
    SelectIn font_;
};

std::wstring ColumnTitle(HWND list, int column);
// The width of the check box and the icon beside a row's first text.
int ImagesWidth(HWND list);

// The first `count` columns as wide as their titles and the texts
// cell(row, column) of rows [0, rows), measured in the list's font; the
// first column also holds the check box and the icon.
void FitColumns(HWND list, int count, std::size_t rows, UINT dpi,
                const std::function<std::wstring(std::size_t, int)>& cell);
// The text of a cell of a list that holds its texts.
std::wstring CellOf(HWND list, std::size_t row, int column);

}  // namespace gui
