#include "item_list.h"

#include <shellapi.h>

#include "categories.h"
#include "dpi.h"
#include "gui_ids.h"
#include "list_view.h"
#include "rule_rows.h"
#include "text_format.h"

namespace gui {

namespace {

const int kWidths96[kItemColumnCount] = {210, 70, 130, 150, 110, 110, 110, 320, 190};
const wchar_t* const kTitles[kItemColumnCount] = {L"Name",     L"Size",     L"Type",
                                                  L"Category", L"Modified", L"Created",
                                                  L"Accessed", L"Folder",   L"Note"};

std::wstring Text(const wchar_t* field) {
    return std::wstring(field, wcsnlen(field, kTextUnits));
}

int CompareDates(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    FILETIME x = {}, y = {};
    SystemTimeToFileTime(&a, &x);
    SystemTimeToFileTime(&b, &y);
    return CompareFileTime(&x, &y);
}

}  // namespace

void ItemList::Create(HWND parent) {
    list_ = CreateReportList(parent, kIdItems, LVS_SHAREIMAGELISTS, LVS_EX_CHECKBOXES);
    for (int i = 0; i < kItemColumnCount; ++i)
        AddColumn(list_, i, kTitles[i], kWidths96[i], i == kColSize);
}

void ItemList::SetDpi(UINT dpi, ScanModel& model) {
    dpi_ = dpi;
    ScaleColumns(list_, kWidths96, kItemColumnCount, dpi);
    Fill(model);
}

void ItemList::Clear() {
    filling_ = true;
    ListView_DeleteAllItems(list_);
    filling_ = false;
    rows_.clear();
    imageOf_.clear();
    typeImage_.clear();
    const int side = SystemMetric(SM_CXSMICON, dpi_);
    images_.reset(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 16, 16));
    ListView_SetImageList(list_, images_.get(), LVSIL_SMALL);
}

int ItemList::ImageOf(HICON icon) {
    if (!icon) return -1;
    auto found = imageOf_.find(icon);
    if (found != imageOf_.end()) return found->second;
    // The image list keeps its own copy; the icon stays the cleaner's.
    const int index = ImageList_AddIcon(images_.get(), icon);
    imageOf_[icon] = index;
    return index;
}

int ItemList::ImageOf(const FoundItem& item) {
    if (item.icon) return ImageOf(item.icon);
    // Most scans give no icon: the shell's icon of the file type stands in.
    const std::wstring name = Text(item.name);
    const size_t dot = name.find_last_of(L'.');
    std::wstring type = dot == std::wstring::npos ? L"" : name.substr(dot);
    CharLowerBuffW(&type[0], static_cast<DWORD>(type.size()));
    auto found = typeImage_.find(type);
    if (found != typeImage_.end()) return found->second;
    SHFILEINFOW info = {};
    const std::wstring probe = L"x" + type;
    int index = -1;
    if (SHGetFileInfoW(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES)) {
        IconOwner shellIcon(info.hIcon);  // ours: copied, then destroyed
        if (shellIcon) index = ImageList_AddIcon(images_.get(), shellIcon.get());
    }
    typeImage_[type] = index;
    return index;
}

void ItemList::Append(const ScanModel& model, CategoryRun& run) {
    filling_ = true;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    for (FoundItem& item : run.items) {
        rows_.push_back({&item, model.ProtectionReason(&item)});
        const Row& row = rows_.back();
        const int index =
            AddRow(list_, Text(item.name), static_cast<LPARAM>(rows_.size() - 1), ImageOf(item));
        SetChecked(list_, index, item.selected != 0);
        SetCell(list_, index, kColSize, host::HumanSize(item.size));
        SetCell(list_, index, kColType, Text(item.typeText));
        SetCell(list_, index, kColCategory, RowName(run.number));
        SetCell(list_, index, kColWritten, host::FormatDate(item.written));
        SetCell(list_, index, kColCreated, host::FormatDate(item.created));
        SetCell(list_, index, kColAccessed, host::FormatDate(item.accessed));
        SetCell(list_, index, kColFolder, Text(item.folder));
        if (row.protection)
            SetCell(list_, index, kColNote, L"protected: " + std::wstring(row.protection));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    filling_ = false;
    if (sortColumn_ >= 0) ListView_SortItems(list_, Compare, reinterpret_cast<LPARAM>(this));
}

void ItemList::Fill(ScanModel& model) {
    Clear();
    for (CategoryRun& run : model.Runs()) Append(model, run);
}

bool ItemList::OnItemChanged(const NMLISTVIEW& change) {
    if (filling_ || change.iItem < 0 || !(change.uChanged & LVIF_STATE)) return false;
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) return false;
    const size_t row = static_cast<size_t>(change.lParam);
    if (row >= rows_.size()) return false;
    const std::uint32_t selected =
        (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    if (rows_[row].item->selected == selected) return false;
    rows_[row].item->selected = selected;
    return true;
}

void ItemList::SortBy(int column) {
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    ListView_SortItems(list_, Compare, reinterpret_cast<LPARAM>(this));
}

int CALLBACK ItemList::Compare(LPARAM left, LPARAM right, LPARAM self) {
    const ItemList& list = *reinterpret_cast<const ItemList*>(self);
    const FoundItem& a = *list.rows_[static_cast<size_t>(left)].item;
    const FoundItem& b = *list.rows_[static_cast<size_t>(right)].item;
    int order = 0;
    switch (list.sortColumn_) {
        case kColSize:
            order = a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
            break;
        case kColType:
            order = lstrcmpiW(a.typeText, b.typeText);
            break;
        case kColCategory:
            order = a.category < b.category ? -1 : a.category > b.category ? 1 : 0;
            break;
        case kColWritten:
            order = CompareDates(a.written, b.written);
            break;
        case kColCreated:
            order = CompareDates(a.created, b.created);
            break;
        case kColAccessed:
            order = CompareDates(a.accessed, b.accessed);
            break;
        case kColFolder:
            order = lstrcmpiW(a.folder, b.folder);
            break;
        case kColNote:
            order = (list.rows_[static_cast<size_t>(left)].protection ? 0 : 1) -
                    (list.rows_[static_cast<size_t>(right)].protection ? 0 : 1);
            break;
        default:
            break;
    }
    if (order == 0) order = lstrcmpiW(a.name, b.name);
    if (order == 0) order = left < right ? -1 : left > right ? 1 : 0;  // stable
    return list.ascending_ ? order : -order;
}

}  // namespace gui
