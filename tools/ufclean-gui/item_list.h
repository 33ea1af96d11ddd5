// The found items: one checked row per item with its small icon (borrowed
// from the cleaner, copied into the list's image list), name, size, type,
// category, dates, folder and whether the keep list protects it. Rows come
// in category order; a click on a column header sorts by that column.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "gdi_owners.h"
#include "scan_model.h"

namespace gui {

class ItemList {
public:
    void Create(HWND parent);
    HWND Handle() const { return list_; }
    void SetDpi(UINT dpi, ScanModel& model);
    void Clear();
    void Append(const ScanModel& model, CategoryRun& run);
    // Rebuilds every row from the model (after a clean, a DPI change).
    void Fill(ScanModel& model);
    // A check box changed: stores it in the item's selected flag. True when
    // an item changed.
    bool OnItemChanged(const NMLISTVIEW& change);
    void SortBy(int column);

private:
    struct Row {
        FoundItem* item;
        const wchar_t* protection;  // reason, or null
    };
    int ImageOf(HICON icon);
    int ImageOf(const FoundItem& item);
    static int CALLBACK Compare(LPARAM left, LPARAM right, LPARAM self);
    HWND list_ = nullptr;
    UINT dpi_ = 96;
    std::vector<Row> rows_;
    ImageListOwner images_;
    std::map<HICON, int> imageOf_;
    std::map<std::wstring, int> typeImage_;  // by extension, for items without an icon
    bool filling_ = false;
    int sortColumn_ = -1;
    bool ascending_ = true;
};

}  // namespace gui
