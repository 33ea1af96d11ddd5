#include "cookies_page.h"

#include <algorithm>

#include "gui_ids.h"
#include "list_view.h"
#include "pipeline/kept_sites.h"
#include "rules/table.h"
#include "text/format.h"

namespace gui {

namespace {

enum Column { kSite, kCount, kColumns };
const int kWidths96[kColumns] = {260, 90};

}  // namespace

void CookiesPage::Create(HWND parent) {
    list_ =
        CreateReportList(parent, kIdCookies, LVS_SINGLESEL | LVS_NOSORTHEADER, LVS_EX_CHECKBOXES);
    AddColumn(list_, kSite, L"Keep the cookies of", kWidths96[kSite]);
    AddColumn(list_, kCount, L"Cookies", kWidths96[kCount], true);
}

void CookiesPage::Load(UINT dpi) {
    loading_ = true;
    ScaleColumns(list_, kWidths96, kColumns, dpi);
    ListView_DeleteAllItems(list_);
    sites_.clear();
    for (const host::FoundSite& site :
         host::CookieSites(host::BuiltInRules(), host::LoadKeptSites(), nullptr)) {
        const int row = AddRow(list_, host::Widen(site.site), static_cast<LPARAM>(sites_.size()));
        SetCell(list_, row, kCount, std::to_wstring(site.cookies));
        ListView_SetCheckState(list_, row, site.kept);
        sites_.push_back(site.site);
    }
    loading_ = false;
}

void CookiesPage::OnItemChanged(const NMLISTVIEW& change) {
    if (loading_ || !(change.uChanged & LVIF_STATE) ||
        ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0 ||
        static_cast<std::size_t>(change.lParam) >= sites_.size())
        return;
    const std::string& site = sites_[static_cast<std::size_t>(change.lParam)];
    std::vector<std::string> kept = host::LoadKeptSites();
    if (ListView_GetCheckState(list_, change.iItem))
        host::AddSites(&kept, {site});
    else
        kept.erase(std::remove(kept.begin(), kept.end(), site), kept.end());
    std::wstring error;
    if (!host::SaveKeptSites(kept, &error))
        MessageBoxW(GetParent(list_), error.c_str(), L"Cookies", MB_OK | MB_ICONWARNING);
}

}  // namespace gui
