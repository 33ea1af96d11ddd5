#include "item_list.h"

#include <shellapi.h>

#include <algorithm>

#include "dpi.h"
#include "gui_ids.h"
#include "list_view.h"
#include "rule_rows.h"
#include "text/format.h"
#include "fs/fold.h"

namespace gui {

namespace {

const int kWidths96[kItemColumnCount] = {210, 70, 130, 150, 110, 110, 110, 320, 220};
const wchar_t* const kTitles[kItemColumnCount] = {L"Name",     L"Size",     L"Type",
                                                  L"Category", L"Modified", L"Created",
                                                  L"Accessed", L"Folder",   L"Note"};

std::wstring ExtensionOf(std::wstring_view name) {
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring_view::npos ? std::wstring() : ufc::Folded(name.substr(dot));
}

// A module item whose folder is a key path under HKEY_CURRENT_USER (a typed
// address, a Run-box command): its name is the value's data, its folder the
// key and value name.
bool IsRegistryEntry(std::wstring_view folder) {
    const bool drive = folder.size() >= 2 && folder[1] == L':';
    const bool share = folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\';
    return !folder.empty() && !drive && !share;
}

constexpr std::size_t kFittedRows = 5000;  // rows measured for the column widths
constexpr wchar_t kRegistryType[] = L"Registry value";

}  // namespace

void ItemList::Create(HWND parent) {
    list_ =
        CreateReportList(parent, kIdItems, LVS_OWNERDATA | LVS_SHAREIMAGELISTS, LVS_EX_CHECKBOXES);
    for (int i = 0; i < kItemColumnCount; ++i)
        AddColumn(list_, i, kTitles[i], kWidths96[i], i == kColSize);
    // The check boxes are the store's selected flags: the control asks.
    ListView_SetCallbackMask(list_, LVIS_STATEIMAGEMASK);
}

void ItemList::SetDpi(UINT dpi) {
    dpi_ = dpi;
    ScaleColumns(list_, kWidths96, kItemColumnCount, dpi);
    const int side = SystemMetric(SM_CXSMICON, dpi_);
    // The list lets go of the old images before they are destroyed.
    ImageListOwner images(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 16, 16));
    ListView_SetImageList(list_, images.get(), LVSIL_SMALL);
    images_ = std::move(images);
    imageOf_.clear();
    typeLook_.clear();
    InvalidateRect(list_, nullptr, TRUE);
}

void ItemList::Show() {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    ListView_SetItemCountEx(list_, static_cast<int>(view_.Rows()), LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, TRUE);
}

void ItemList::Reset(const ScanModel& model) {
    view_.Reset(model);
    FitColumns(model);
    Show();
}

void ItemList::SortBy(const ScanModel& model, int column) {
    const bool ascending = column == view_.Column() ? !view_.Ascending() : true;
    view_.SortBy(model, column, ascending);
    ShowSortMark();
    Show();
}

void ItemList::SetFilter(const ScanModel& model, const std::wstring& text) {
    view_.SetFilter(model, text);
    Show();
}

void ItemList::ShowSortMark() {
    HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < kItemColumnCount; ++i) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == view_.Column()) item.fmt |= view_.Ascending() ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, i, &item);
    }
}

const ItemList::TypeLook& ItemList::LookOf(std::wstring_view name) {
    const std::wstring type = ExtensionOf(name);
    auto found = typeLook_.find(type);
    if (found != typeLook_.end()) return found->second;
    // The shell's icon and name of the file type, asked once per extension.
    TypeLook look;
    SHFILEINFOW info = {};
    const std::wstring probe = L"x" + type;
    if (SHGetFileInfoW(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_ICON | SHGFI_SMALLICON | SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES)) {
        IconOwner shellIcon(info.hIcon);  // ours: copied, then destroyed
        if (shellIcon) look.image = ImageList_AddIcon(images_.get(), shellIcon.get());
        look.name = info.szTypeName;
    }
    return typeLook_.emplace(type, std::move(look)).first->second;
}

int ItemList::ImageOf(const ScanModel& model, std::uint32_t item) {
    HICON icon = model.Store().Icon(item);
    if (!icon && IsRegistryEntry(model.Store().Folder(item))) return LookOf(L"x.reg").image;
    if (!icon) return LookOf(model.Store().Name(item)).image;
    auto found = imageOf_.find(icon);
    if (found != imageOf_.end()) return found->second;
    // The image list keeps its own copy; the icon stays the cleaner's.
    const int index = ImageList_AddIcon(images_.get(), icon);
    imageOf_[icon] = index;
    return index;
}

void ItemList::FillRow(const ScanModel& model, NMLVDISPINFOW* info) {
    LVITEMW& row = info->item;
    if (row.iItem < 0 || static_cast<size_t>(row.iItem) >= view_.Rows()) return;
    const std::uint32_t item = view_.ItemAt(static_cast<size_t>(row.iItem));
    if (row.mask & LVIF_STATE) {
        row.state = INDEXTOSTATEIMAGEMASK(model.Checked(item) ? 2 : 1);
        row.stateMask |= LVIS_STATEIMAGEMASK;
    }
    if (row.mask & LVIF_IMAGE) row.iImage = ImageOf(model, item);
    if (!(row.mask & LVIF_TEXT) || !row.pszText || row.cchTextMax <= 0) return;
    lstrcpynW(row.pszText, CellText(model, item, row.iSubItem).c_str(), row.cchTextMax);
}

std::wstring ItemList::CellText(const ScanModel& model, std::uint32_t item, int column) {
    const host::ItemStore& store = model.Store();
    std::wstring text;
    const bool registry = IsRegistryEntry(store.Folder(item));
    switch (column) {
        case kColName:
            text = store.Name(item);
            break;
        case kColSize:
            text = host::HumanSize(store.Bytes(item));
            break;
        case kColType:
            text = store.TypeText(item);
            if (text.empty()) text = registry ? kRegistryType : LookOf(store.Name(item)).name;
            break;
        case kColCategory:
            text = RowName(model.NumberOfItem(item));
            break;
        case kColWritten:
            text = host::FormatDate(store.Date(item, host::ItemTime::Written));
            break;
        case kColCreated:
            text = host::FormatDate(store.Date(item, host::ItemTime::Created));
            break;
        case kColAccessed:
            text = host::FormatDate(store.Date(item, host::ItemTime::Accessed));
            break;
        case kColFolder:
            text = registry ? L"HKCU\\" + std::wstring(store.Folder(item)) : store.Folder(item);
            break;
        case kColNote:
            text = model.Note(item);
            break;
        default:
            break;
    }
    return text;
}

void ItemList::FitColumns(const ScanModel& model) {
    // A long list is measured by its first rows.
    gui::FitColumns(
        list_, kItemColumnCount, std::min(view_.Rows(), kFittedRows), dpi_,
        [&](std::size_t row, int column) { return CellText(model, view_.ItemAt(row), column); });
}

int ItemList::FindRow(const ScanModel& model, const NMLVFINDITEMW& find) const {
    // Typing in the list finds the next row whose name starts so.
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    const std::wstring start = ufc::Folded(find.lvfi.psz);
    const size_t rows = view_.Rows();
    for (size_t k = 0; k < rows; ++k) {
        const size_t row = (static_cast<size_t>(find.iStart < 0 ? 0 : find.iStart) + k) % rows;
        const std::wstring_view name = model.Store().Name(view_.ItemAt(row));
        if (name.size() >= start.size() && ufc::Folded(name.substr(0, start.size())) == start)
            return static_cast<int>(row);
    }
    return -1;
}

bool ItemList::CheckSelected(ScanModel& model, int row, bool checked) {
    bool changed = false;
    auto set = [&](size_t at) {
        changed = model.SetSelected(view_.ItemAt(at), checked) || changed;
    };
    const bool alone =
        row >= 0 && !(ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED);
    if (alone) {
        set(static_cast<size_t>(row));
    } else if (static_cast<size_t>(ListView_GetSelectedCount(list_)) >= view_.Rows()) {
        for (size_t at = 0; at < view_.Rows(); ++at) set(at);
    } else {
        for (int at = ListView_GetNextItem(list_, -1, LVNI_SELECTED); at >= 0;
             at = ListView_GetNextItem(list_, at, LVNI_SELECTED))
            set(static_cast<size_t>(at));
    }
    if (changed) InvalidateRect(list_, nullptr, FALSE);
    return changed;
}

bool ItemList::OnNotify(ScanModel& model, const NMHDR& header, LRESULT* result) {
    switch (header.code) {
        case LVN_GETDISPINFOW:
            FillRow(model, reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
            return false;
        case LVN_ODFINDITEMW:
            *result = FindRow(model, reinterpret_cast<const NMLVFINDITEMW&>(header));
            return false;
        case LVN_COLUMNCLICK:
            SortBy(model, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return false;
        case NM_CLICK: {
            const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
            LVHITTESTINFO test = {};
            test.pt = click.ptAction;
            const int row = ListView_HitTest(list_, &test);
            if (row < 0 || !(test.flags & LVHT_ONITEMSTATEICON)) return false;
            const std::uint32_t item = view_.ItemAt(static_cast<size_t>(row));
            if (!model.SetSelected(item, !model.Checked(item))) return false;
            ListView_RedrawItems(list_, row, row);
            return true;
        }
        case LVN_KEYDOWN: {
            const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
            const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
            if (key == 'A' && GetKeyState(VK_CONTROL) < 0) {
                ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
                return false;
            }
            if (key == VK_DELETE) return CheckSelected(model, -1, false);
            if (key != VK_SPACE || focused < 0) return false;
            const bool checked = model.Checked(view_.ItemAt(static_cast<size_t>(focused)));
            return CheckSelected(model, focused, !checked);
        }
        default:
            return false;
    }
}

}  // namespace gui
