#include "layout_check.h"

#include <commctrl.h>

#include "dpi.h"
#include "gdi_owners.h"
#include "gui_ids.h"
#include "list_view.h"
#include "space_picture.h"

namespace gui {

namespace {

constexpr std::size_t kRowsChecked = 5000;  // as many as the columns are fitted to
constexpr int kCellMargin = 6;              // the list's own inset of a cell's text, at 96 DPI
constexpr int kButtonMargin = 8;            // a button's frame and focus mark, at 96 DPI

std::wstring TextOf(HWND control) {
    wchar_t text[1024] = {};
    GetWindowTextW(control, text, 1024);
    return text;
}

// The text as drawn: a mnemonic's '&' is not shown.
std::wstring Shown(std::wstring text) {
    for (std::size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at + 1))
        text.erase(at, 1);
    return text;
}

int Dpi(HWND control) {
    return static_cast<int>(WindowDpi(control));
}

struct Report {
    std::vector<std::wstring>* lines;
    void Check(const wchar_t* where, const std::wstring& text, int needs, int has) const {
        if (needs > has)
            lines->push_back(std::wstring(where) + L": " + text + L" (needs " +
                             std::to_wstring(needs) + L" px, has " + std::to_wstring(has) +
                             L" px)");
    }
};

void CheckList(HWND list, const Report& report) {
    const TextRuler ruler(list);
    const int margin = MulDiv(kCellMargin, Dpi(list), 96);
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    const int rows = ListView_GetItemCount(list);
    const int images = ImagesWidth(list);
    for (int c = 0; c < columns; ++c) {
        const int width = ListView_GetColumnWidth(list, c);
        const std::wstring title = ColumnTitle(list, c);
        report.Check(L"column title", title, ruler.Width(title) + 2 * margin, width);
        for (int row = 0; row < rows && static_cast<std::size_t>(row) < kRowsChecked; ++row) {
            const std::wstring text = CellOf(list, static_cast<std::size_t>(row), c);
            report.Check(L"cell", text, ruler.Width(text) + margin + (c == 0 ? images : 0), width);
        }
    }
}

void CheckTree(HWND tree, const Report& report) {
    RECT client = {};
    GetClientRect(tree, &client);
    for (HTREEITEM item = TreeView_GetRoot(tree); item;) {
        RECT text = {};
        wchar_t label[512] = {};
        TVITEMW read = {};
        read.mask = TVIF_TEXT;
        read.hItem = item;
        read.pszText = label;
        read.cchTextMax = 512;
        TreeView_GetItem(tree, &read);
        if (TreeView_GetItemRect(tree, item, &text, TRUE))
            report.Check(L"tree label", label, text.right, client.right);
        // Depth first, as the tree shows them.
        HTREEITEM next = TreeView_GetChild(tree, item);
        for (HTREEITEM up = item; !next && up; up = TreeView_GetParent(tree, up))
            next = TreeView_GetNextSibling(tree, up);
        item = next;
    }
}

void CheckTabs(HWND tabs, const Report& report) {
    const TextRuler ruler(tabs);
    for (int i = 0, count = TabCtrl_GetItemCount(tabs); i < count; ++i) {
        wchar_t label[128] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        item.cchTextMax = 128;
        TabCtrl_GetItem(tabs, i, &item);
        RECT place = {};
        TabCtrl_GetItemRect(tabs, i, &place);
        report.Check(L"tab", label, ruler.Width(Shown(label)), place.right - place.left);
    }
}

}  // namespace

std::vector<std::wstring> ClippedLabels(HWND window) {
    std::vector<std::wstring> lines;
    const Report report{&lines};
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        wchar_t type[64] = {};
        GetClassNameW(child, type, 64);
        const std::wstring kind = type;
        RECT client = {};
        GetClientRect(child, &client);
        if (kind == WC_LISTVIEWW) {
            CheckList(child, report);
        } else if (kind == WC_TREEVIEWW) {
            CheckTree(child, report);
        } else if (kind == WC_TABCONTROLW) {
            CheckTabs(child, report);
        } else if (kind == WC_STATICW) {
            const std::wstring text = TextOf(child);
            const bool mnemonic = !(GetWindowLongW(child, GWL_STYLE) & SS_NOPREFIX);
            report.Check(L"label", text, TextRuler(child).Width(mnemonic ? Shown(text) : text),
                         client.right);
        } else if (child == GetDlgItem(window, kIdSpace)) {
            // The picture draws its own labels and keeps those it had to cut.
            UpdateWindow(child);
            const auto* cut = reinterpret_cast<const std::vector<std::wstring>*>(
                SendMessageW(child, SpacePicture::kMsgCutLabels, 0, 0));
            for (const std::wstring& label : cut ? *cut : std::vector<std::wstring>())
                report.lines->push_back(L"picture: " + label + L" (cut)");
        } else if (kind == WC_BUTTONW) {
            const std::wstring text = Shown(TextOf(child));
            report.Check(L"button", text,
                         TextRuler(child).Width(text) + 2 * MulDiv(kButtonMargin, Dpi(child), 96),
                         client.right);
        }
    }
    return lines;
}

}  // namespace gui
