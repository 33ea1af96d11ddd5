// The found items in a virtual list (LVS_OWNERDATA): the control holds no
// rows; each row on screen is drawn from the store through the view's
// order when the control asks for it. Check boxes, sorting (a click on a
// column header, again for the other direction) and the filter work on the
// data. Type texts and icons are looked up only for the rows shown. Keys:
// Space toggles the checked rows, Ctrl+A selects every row, Del unchecks
// the selected rows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "gdi_owners.h"
#include "item_view.h"
#include "scan_model.h"

namespace gui {

class ItemList {
public:
    void Create(HWND parent);
    HWND Handle() const { return list_; }
    void SetDpi(UINT dpi);
    // Every item anew (after a clean, a new scan).
    void Reset(const ScanModel& model);
    // The same column again sorts the other way.
    void SortBy(const ScanModel& model, int column);
    void SetFilter(const ScanModel& model, const std::wstring& text);
    std::size_t Rows() const { return view_.Rows(); }
    std::uint32_t ItemAt(std::size_t row) const { return view_.ItemAt(row); }
    // The list's notifications; true when a check box changed.
    bool OnNotify(ScanModel& model, const NMHDR& header, LRESULT* result);

private:
    struct TypeLook {
        int image = -1;
        std::wstring name;
    };
    void Show();
    void FillRow(const ScanModel& model, NMLVDISPINFOW* info);
    std::wstring CellText(const ScanModel& model, std::uint32_t item, int column);
    // Each column as wide as its title and the texts of the rows (of a list
    // short enough to measure).
    void FitColumns(const ScanModel& model);
    const TypeLook& LookOf(std::wstring_view name);
    int ImageOf(const ScanModel& model, std::uint32_t item);
    int FindRow(const ScanModel& model, const NMLVFINDITEMW& find) const;
    // Sets the check of the selected rows (or of the row alone when it is
    // not selected); true when one changed.
    bool CheckSelected(ScanModel& model, int row, bool checked);
    void ShowSortMark();

    HWND list_ = nullptr;
    UINT dpi_ = 96;
    ItemView view_;
    ImageListOwner images_;
    std::map<HICON, int> imageOf_;
    std::map<std::wstring, TypeLook> typeLook_;  // by extension
};

}  // namespace gui
