#include "drives_page.h"

#include "dpi.h"
#include "gui_ids.h"
#include "list_view.h"
#include "text/format.h"

namespace gui {

namespace {

enum Column { kDrive, kTotal, kFree, kUsed, kBar, kColumns };
const int kWidths96[kColumns] = {200, 90, 90, 60, 260};

std::uint64_t Used(std::uint64_t total, std::uint64_t free) {
    return total > free ? total - free : 0;
}

}  // namespace

void DrivesPage::Create(HWND parent) {
    list_ = CreateReportList(parent, kIdDrives,
                             LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS, 0);
    AddColumn(list_, kDrive, L"Drive", kWidths96[kDrive]);
    AddColumn(list_, kTotal, L"Total", kWidths96[kTotal], true);
    AddColumn(list_, kFree, L"Free", kWidths96[kFree], true);
    AddColumn(list_, kUsed, L"Used", kWidths96[kUsed], true);
    AddColumn(list_, kBar, L"Usage", kWidths96[kBar]);
}

void DrivesPage::Load(Function::IUnusedFileClean* cleaner, UINT dpi) {
    ScaleColumns(list_, kWidths96, kColumns, dpi);
    ListView_DeleteAllItems(list_);
    drives_.clear();
    const int side = SystemMetric(SM_CXICON, dpi);
    images_.reset(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 4, 4));
    ListView_SetImageList(list_, images_.get(), LVSIL_SMALL);

    std::vector<DriveDisplayEntry> entries;
    cleaner->GetDriveList(&entries);
    for (const DriveDisplayEntry& entry : entries) {
        // Both icons are ours now: the large one is copied, both go here.
        IconOwner small(entry.smallIcon), large(entry.largeIcon);
        const int image = large ? ImageList_AddIcon(images_.get(), large.get()) : -1;
        drives_.push_back({entry.totalBytes, entry.freeBytes});
        const std::uint64_t used = Used(entry.totalBytes, entry.freeBytes);
        const int row =
            AddRow(list_, std::wstring(entry.displayText, wcsnlen(entry.displayText, kTextUnits)),
                   static_cast<LPARAM>(drives_.size() - 1), image);
        SetCell(list_, row, kTotal, host::HumanSize(entry.totalBytes));
        SetCell(list_, row, kFree, host::HumanSize(entry.freeBytes));
        SetCell(list_, row, kUsed,
                entry.totalBytes ? std::to_wstring(used * 100 / entry.totalBytes) + L"%" : L"-");
    }
    // The drawn usage bar keeps its width.
    FitColumns(list_, kBar, drives_.size(), dpi,
               [&](std::size_t row, int column) { return CellOf(list_, row, column); });
}

LRESULT DrivesPage::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPOSTPAINT: {
            const size_t index = static_cast<size_t>(draw->nmcd.lItemlParam);
            if (index >= drives_.size()) return CDRF_DODEFAULT;
            RECT cell = {};
            ListView_GetSubItemRect(list_, static_cast<int>(draw->nmcd.dwItemSpec), kBar,
                                    LVIR_BOUNDS, &cell);
            InflateRect(&cell, -4, -4);
            if (cell.right <= cell.left || cell.bottom <= cell.top) return CDRF_DODEFAULT;
            const Drive& drive = drives_[index];
            const std::uint64_t used = Used(drive.total, drive.free);
            RECT filled = cell;
            const long width = cell.right - cell.left;
            filled.right =
                cell.left +
                (drive.total
                     ? static_cast<long>(used * static_cast<std::uint64_t>(width) / drive.total)
                     : 0);
            GdiObjectOwner frame(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
            GdiObjectOwner empty(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
            // Nearly full drives show red, like the shell does.
            const bool full = drive.total && used * 10 >= drive.total * 9;
            GdiObjectOwner bar(CreateSolidBrush(full ? RGB(218, 38, 38) : RGB(38, 160, 218)));
            FillRect(draw->nmcd.hdc, &cell, static_cast<HBRUSH>(empty.get()));
            FillRect(draw->nmcd.hdc, &filled, static_cast<HBRUSH>(bar.get()));
            FrameRect(draw->nmcd.hdc, &cell, static_cast<HBRUSH>(frame.get()));
            return CDRF_DODEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

}  // namespace gui
