#include "list_view.h"

#include <algorithm>
#include <vector>

#include "dpi.h"

namespace gui {

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

HWND CreateReportList(HWND parent, int id, DWORD extraStyle, DWORD extendedStyle) {
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | extraStyle, 0, 0, 0,
        0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    ListView_SetExtendedListViewStyle(list,
                                      LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | extendedStyle);
    return list;
}

void AddColumn(HWND list, int index, const wchar_t* title, int width, bool right) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = right ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title);
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

int AddRow(HWND list, const std::wstring& text, LPARAM param, int image) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = param;
    item.iImage = image;
    return ListView_InsertItem(list, &item);
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.c_str()));
}

std::wstring ColumnTitle(HWND list, int column) {
    wchar_t title[128] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = title;
    item.cchTextMax = 128;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    return title;
}

int ImagesWidth(HWND list) {
    int width = 0, side = 0, height = 0;
    for (int images : {LVSIL_STATE, LVSIL_SMALL})
        if (ImageList_GetIconSize(ListView_GetImageList(list, images), &side, &height))
            width += side;
    return width;
}

void FitColumns(HWND list, int count, std::size_t rows, UINT dpi,
                const std::function<std::wstring(std::size_t, int)>& cell) {
    constexpr int kCellPadding = 14, kHeaderPadding = 24;  // at 96 DPI
    const TextRuler ruler(list);
    std::vector<int> widths(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c)
        widths[static_cast<std::size_t>(c)] =
            ruler.Width(ColumnTitle(list, c)) + Scale(kHeaderPadding, dpi);
    for (std::size_t row = 0; row < rows; ++row)
        for (int c = 0; c < count; ++c)
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)],
                         ruler.Width(cell(row, c)) + Scale(kCellPadding, dpi));
    widths[0] += ImagesWidth(list) + 2 * Scale(4, dpi);
    for (int c = 0; c < count; ++c)
        ListView_SetColumnWidth(list, c, widths[static_cast<std::size_t>(c)]);
}

std::wstring CellOf(HWND list, std::size_t row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(list, static_cast<int>(row), column, text, 512);
    return text;
}

void ScaleColumns(HWND list, const int* widths96, int count, UINT dpi) {
    for (int i = 0; i < count; ++i) ListView_SetColumnWidth(list, i, Scale(widths96[i], dpi));
}

}  // namespace gui
