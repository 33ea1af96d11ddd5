// Small helpers over the report-style list views of the window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace gui {

HWND CreateReportList(HWND parent, int id, DWORD extraStyle, DWORD extendedStyle);
void AddColumn(HWND list, int index, const wchar_t* title, int width, bool right = false);
// Inserts a row at the end with the text of column 0; returns its index.
int AddRow(HWND list, const std::wstring& text, LPARAM param, int image = -1);
void SetCell(HWND list, int row, int column, const std::wstring& text);
// Column widths follow the DPI: pass the widths at 96 DPI.
void ScaleColumns(HWND list, const int* widths96, int count, UINT dpi);
// Each column as wide as its widest cell or its title.
void FitColumns(HWND list, int count);

}  // namespace gui
