#include "category_list.h"

#include "categories.h"
#include "gui_ids.h"
#include "list_view.h"
#include "rule_rows.h"
#include "scan_model.h"
#include "text_format.h"

namespace gui {

namespace {

const int kWidths96[] = {190, 50, 70, 110};
enum Column { kName, kItems, kSize, kCleaned };

}  // namespace

void CategoryList::Create(HWND parent, const std::set<std::uint32_t>& checked, bool rules) {
    list_ = CreateReportList(parent, kIdCategories, LVS_SINGLESEL | LVS_NOSORTHEADER,
                             LVS_EX_CHECKBOXES);
    AddColumn(list_, kName, L"Category", kWidths96[kName]);
    AddColumn(list_, kItems, L"Items", kWidths96[kItems], true);
    AddColumn(list_, kSize, L"Size", kWidths96[kSize], true);
    AddColumn(list_, kCleaned, L"Cleaned", kWidths96[kCleaned]);
    for (const host::CategoryInfo& info : host::Categories()) {
        if (info.kind == host::CategoryKind::None) continue;
        const int row = AddRow(list_, info.name, static_cast<LPARAM>(info.number));
        SetChecked(list_, row, checked.count(info.number) != 0);
        if (info.kind == host::CategoryKind::Action) SetCell(list_, row, kSize, L"clean only");
    }
    // The cleaning rules follow; those that are on by default start checked,
    // unless the command line named categories without them.
    for (size_t i = 0; i < RuleRows().size(); ++i) {
        const host::RuleTarget& target = RuleRows()[i];
        const int row = AddRow(list_, target.Title(), static_cast<LPARAM>(kFirstRuleRow + i));
        SetChecked(list_, row, rules && target.rule->onByDefault);
    }
    ListView_SetItemState(list_, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
}

void CategoryList::SetDpi(UINT dpi) {
    ScaleColumns(list_, kWidths96, 4, dpi);
}

std::vector<std::uint32_t> CategoryList::Checked() const {
    std::vector<std::uint32_t> numbers;
    const int rows = ListView_GetItemCount(list_);
    for (int row = 0; row < rows; ++row) {
        if (!IsChecked(list_, row)) continue;
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        ListView_GetItem(list_, &item);
        numbers.push_back(static_cast<std::uint32_t>(item.lParam));
    }
    return numbers;
}

int CategoryList::RowOf(std::uint32_t number) const {
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(number);
    return ListView_FindItem(list_, -1, &find);
}

void CategoryList::ResetFigures() {
    for (const host::CategoryInfo& info : host::Categories()) {
        const int row = RowOf(info.number);
        if (row < 0) continue;
        SetCell(list_, row, kItems, L"");
        SetCell(list_, row, kSize, info.kind == host::CategoryKind::Action ? L"clean only" : L"");
        SetCell(list_, row, kCleaned, L"");
    }
    for (size_t i = 0; i < RuleRows().size(); ++i) {
        const int row = RowOf(static_cast<std::uint32_t>(kFirstRuleRow + i));
        for (int column : {kItems, kSize, kCleaned}) SetCell(list_, row, column, L"");
    }
}

void CategoryList::ShowRun(const CategoryRun& run) {
    const int row = RowOf(run.number);
    if (row < 0) return;
    if (!run.action) {
        // The listed items, not the scan's totals: the recycle-bin query
        // counts every item once per drive letter.
        const Sums sums = ScanModel::Of(run);
        SetCell(list_, row, kItems, std::to_wstring(sums.count));
        SetCell(list_, row, kSize, host::HumanSize(sums.bytes));
    }
    std::wstring cleaned;
    if (run.cleaned) {
        cleaned = std::to_wstring(run.cleanTotals.removed) + L" removed";
        if (run.cleanTotals.failed)
            cleaned += L", " + std::to_wstring(run.cleanTotals.failed) + L" failed";
        if (run.cleanTotals.bytesFreed)
            cleaned += L", " + host::HumanSize(run.cleanTotals.bytesFreed);
        if (run.action) cleaned = run.cleanResult ? L"done" : L"failed";
    } else if (!run.skipReason.empty() && run.number == kCategoryRecycleBin) {
        cleaned = L"kept whole";
    } else if (!run.skipReason.empty() && RuleRowTarget(run.number)) {
        cleaned = run.skipReason;
    }
    // Files a running application holds are not failures: say what to do.
    const host::RuleTarget* target = RuleRowTarget(run.number);
    if (target && run.inUse)
        cleaned += (cleaned.empty() ? L"" : L"; ") + std::to_wstring(run.inUse) + L" in use: " +
                   target->InUseAdvice();
    else if (target && run.running && !run.cleaned)
        cleaned += (cleaned.empty() ? L"" : L"; ") + target->ApplicationName() + L" is running: " +
                   target->InUseAdvice();
    SetCell(list_, row, kCleaned, cleaned);
}

}  // namespace gui
