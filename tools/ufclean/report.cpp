#include "report.h"

#include "app.h"
#include "platform/console.h"
#include "text/format.h"

namespace ufclean {

namespace {

std::wstring Pad(std::wstring text, size_t width, bool right = false) {
    if (text.size() >= width) return text;
    const std::wstring fill(width - text.size(), L' ');
    return right ? fill + text : text + fill;
}

std::wstring Line(const std::wstring& number, const std::wstring& name,
                  const std::vector<std::wstring>& columns) {
    std::wstring line = Pad(number, 4, true) + L"  " + Pad(name, 42);
    for (const std::wstring& column : columns) line += L" " + Pad(column, 11, true);
    return line + L"\n";
}

// A rule row has no number: its id stands in the details and the JSON.
std::wstring RowNumber(const host::Row& row) {
    return row.IsRule() ? L"-" : std::to_wstring(row.category);
}

// What the rule rows have to say: "Chrome: cache: 2 file(s) in use: close
// Chrome to clean its cache", or before a clean "Chrome is running", and
// what the guard kept out, row by row and in all.
void PrintRuleNotes(const host::Pipeline& run) {
    for (const host::Row& row : run.Rows()) {
        if (!row.Shown() || !row.IsRule()) continue;
        const std::wstring title = row.Name() + L": ";
        if (!row.skipReason.empty()) host::Out(title + row.skipReason + L"\n");
        if (row.stoppedByGuard.total)
            host::Out(title + L"stopped by the guard: " + row.stoppedByGuard.Text() + L"\n");
        if (row.inUse)
            host::Out(title + std::to_wstring(row.inUse) + L" file(s) in use: " +
                      row.target.InUseAdvice() + L"\n");
        else if (row.running && !row.cleaned)
            host::Out(title + row.target.ApplicationName() +
                      L" is running and may hold some files: " + row.target.InUseAdvice() + L"\n");
    }
    if (const std::uint64_t guarded = run.Sum().stopped)
        host::Out(L"Total: stopped by the guard: " + std::to_wstring(guarded) +
                  L" (see \"What no rule can reach\" in the README)\n");
}

}  // namespace

void PrintScanSummary(const host::Pipeline& run) {
    host::Out(Line(L"No.", L"Category", {L"Items", L"Size"}));
    for (const host::Row& row : run.Rows()) {
        if (!row.Shown()) continue;
        host::Out(row.IsAction() ? Line(RowNumber(row), row.Name(), {L"-", L"action"})
                                 : Line(RowNumber(row), row.Name(),
                                        {std::to_wstring(row.totals.count),
                                         host::HumanSize(row.totals.bytes)}));
    }
    const host::Totals sum = run.Sum();
    host::Out(Line(L"", L"Total", {std::to_wstring(sum.found), host::HumanSize(sum.foundBytes)}));
    if (sum.repeatedFiles)
        host::Out(L"      " + std::to_wstring(sum.repeatedFiles) +
                  L" file(s) listed by more than one row are counted once in the total\n");
    PrintRuleNotes(run);
}

void PrintDetails(const host::Pipeline& run) {
    const host::ItemStore& store = run.Store();
    for (const host::Row& row : run.Rows()) {
        if (!row.Shown()) continue;
        for (std::uint32_t i = row.first; i < row.end; ++i) {
            const std::wstring number =
                row.IsRule() ? row.target.rule->id : std::to_wstring(store.Category(i));
            host::Out(Pad(number, 4, true) + L"  " +
                      Pad(host::HumanSize(store.Bytes(i)), 10, true) + L"  " +
                      Pad(host::FormatDate(store.Date(i, host::ItemTime::Written)), 16) + L"  " +
                      (store.Selected(i) ? L"" : L"(kept) ") + store.Path(i) + L"\n");
        }
    }
}

void PrintKeepUse(const host::Pipeline& run) {
    const std::vector<host::KeepRule>& rules = run.KeepRules();
    const std::vector<std::uint64_t>& counts = run.KeepCounts();
    for (size_t r = 0; r < rules.size() && r < counts.size(); ++r) {
        if (counts[r] == 0) continue;
        host::Out(L"kept " + std::to_wstring(counts[r]) + L" item(s): " + rules[r].reason + L" (" +
                  host::KeepRuleText(rules[r]) + L")\n");
    }
    if (const std::uint64_t young = run.Sum().keptForAge)
        host::Out(L"kept " + std::to_wstring(young) + L" item(s) written in the last " +
                  std::to_wstring(run.OlderThanDays()) + L" day(s) (--older-than)\n");
}

void PrintCleanSummary(const host::Pipeline& run) {
    host::Out(Line(L"No.", L"Category", {L"Removed", L"Failed", L"Changed", L"Freed"}));
    for (const host::Row& row : run.Rows()) {
        if (!row.Shown()) continue;
        if (!row.skipReason.empty()) {
            host::Out(Line(RowNumber(row), row.Name(), {L"skipped"}));
            continue;
        }
        if (!row.cleaned) continue;
        if (row.IsAction()) {  // a step, no files: what it did
            host::Out(Line(RowNumber(row), row.Name(),
                           {ActionOutcome(row.category, row.cleanResult == 1)}));
            continue;
        }
        host::Out(
            Line(RowNumber(row), row.Name(),
                 {std::to_wstring(row.cleanTotals.removed), std::to_wstring(row.cleanTotals.failed),
                  std::to_wstring(row.changed), host::HumanSize(row.cleanTotals.bytesFreed)}));
    }
    const host::Totals sum = run.Sum();
    host::Out(Line(L"", L"Total",
                   {std::to_wstring(sum.removed), std::to_wstring(sum.failed),
                    std::to_wstring(sum.changed), host::HumanSize(sum.freed)}));
    if (sum.changed)
        host::Out(std::to_wstring(sum.changed) +
                  L" file(s) changed since the scan were left: scan again to see them\n");
    for (const host::Row& row : run.Rows())
        if (row.Shown() && !row.skipReason.empty() && !row.IsRule())
            host::Out(L"category " + std::to_wstring(row.category) + L" skipped: " +
                      row.skipReason + L"\n");
    PrintRuleNotes(run);
}

}  // namespace ufclean
