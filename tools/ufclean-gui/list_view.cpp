#include "list_view.h"

#include "dpi.h"

namespace gui {

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

void FitColumns(HWND list, int count) {
    for (int i = 0; i < count; ++i) ListView_SetColumnWidth(list, i, LVSCW_AUTOSIZE_USEHEADER);
}

void ScaleColumns(HWND list, const int* widths96, int count, UINT dpi) {
    for (int i = 0; i < count; ++i) ListView_SetColumnWidth(list, i, Scale(widths96[i], dpi));
}

}  // namespace gui
