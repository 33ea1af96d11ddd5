#include "report.h"

#include "app.h"
#include "platform/console.h"
#include "rules/rule_edit.h"
#include "text/format.h"

namespace ufclean {

namespace {

std::wstring Pad(std::wstring text, size_t width, bool right = false) {
    if (text.size() >= width) return text;
    const std::wstring fill(width - text.size(), L' ');
    return right ? fill + text : text + fill;
}

// Text cut to width in its middle ("Left-over unin...r folders"), so both
// ends stay readable.
std::wstring Middle(const std::wstring& text, size_t width) {
    if (text.size() <= width || width < 5) return text;
    const size_t head = (width - 3) / 2;
    return text.substr(0, head) + L"..." + text.substr(text.size() - (width - 3 - head));
}

// A table line of at most 79 columns (an 80-column console wraps a line
// that fills it): the number, the name cut to fit, the columns right-aligned
// to their widths.
std::wstring Line(const std::wstring& number, const std::wstring& name,
                  const std::vector<std::wstring>& columns, const std::vector<size_t>& widths) {
    size_t room = 79 - 6;
    for (size_t width : widths) room -= width + 1;
    std::wstring line = Pad(number, 4, true) + L"  " + Pad(Middle(name, room), room);
    for (size_t c = 0; c < columns.size() && c < widths.size(); ++c)
        line += L" " + Pad(columns[c], widths[c], true);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    return line + L"\n";
}

const std::vector<size_t> kScanWidths = {6, 9, 6, 6, 9};
const std::vector<size_t> kCleanWidths = {7, 6, 7, 9};

// A rule row has no number: its id stands in the details and the JSON.
std::wstring RowNumber(const host::Row& row) {
    return row.IsRule() ? L"-" : std::to_wstring(row.category);
}

// What the rows have to say: the files a category left out as in use,
// "Chrome: cache: 2 file(s) in use: close Chrome to clean its cache", or
// before a clean "Chrome is running", and what the guard kept out, row by
// row and in all.
void PrintRowNotes(const host::Pipeline& run) {
    for (const host::Row& row : run.Rows()) {
        if (row.Shown() && row.heldAtScan)
            host::Out(std::to_wstring(row.category) + L" " + row.Name() + L": " +
                      std::to_wstring(row.heldAtScan) +
                      L" file(s) in use or not writable, left out: close the programs that use "
                      L"them and scan again\n");
        if (!row.Shown() || !row.IsRule()) continue;
        const std::wstring title = row.Name() + L": ";
        if (!row.skipReason.empty()) host::Out(title + row.skipReason + L"\n");
        // An edit refused (or a running browser) leaves its database whole.
        for (const host::RowEdit& edit : row.edits)
            if (!edit.refused.empty())
                host::Out(title + edit.database + L" left as it is: " + edit.refused + L"\n");
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

void PrintScanSummary(const host::Pipeline& run, bool emptyRows) {
    host::Out(
        Line(L"No.", L"Category", {L"Found", L"Size", L"Kept", L"Remove", L"Frees"}, kScanWidths));
    const std::vector<host::RowFigures> figures = run.Figures();
    for (std::size_t r = 0; r < run.Rows().size(); ++r) {
        const host::Row& row = run.Rows()[r];
        const host::RowFigures& own = figures[r];
        if (!row.Shown() || (!emptyRows && !row.IsAction() && own.found == 0)) continue;
        host::Out(row.IsAction()
                      ? Line(RowNumber(row), row.Name(), {L"-", L"action"}, kScanWidths)
                      : Line(RowNumber(row), row.Name(),
                             {std::to_wstring(own.found), host::HumanSize(own.foundBytes),
                              std::to_wstring(own.kept), std::to_wstring(own.wouldRemove),
                              host::HumanSize(own.wouldFree)},
                             kScanWidths));
    }
    const host::Totals sum = run.Sum();
    host::Out(Line(L"", L"Total",
                   {std::to_wstring(sum.found), host::HumanSize(sum.foundBytes),
                    std::to_wstring(sum.kept + sum.keptForAge), std::to_wstring(sum.wouldRemove),
                    host::HumanSize(sum.wouldFree)},
                   kScanWidths));
    if (sum.repeatedFiles)
        host::Out(L"      " + std::to_wstring(sum.repeatedFiles) +
                  L" file(s) listed by more than one row are counted under the first\n");
    PrintRowNotes(run);
}

void PrintDetails(const host::Pipeline& run) {
    const host::ItemStore& store = run.Store();
    host::Out(L" No.        Size  Written           Path\n");
    // A repeat: an earlier row lists the same file.
    std::vector<bool> repeat(store.Count());
    for (const auto& listing : run.Repeats()) repeat[listing.first] = true;
    for (const host::Row& row : run.Rows()) {
        if (!row.Shown()) continue;
        for (std::uint32_t i = row.first; i < row.end; ++i) {
            const std::wstring number =
                row.IsRule() ? row.target.rule->id : std::to_wstring(store.Category(i));
            const wchar_t* mark = repeat[i]            ? L"(listed above) "
                                  : store.Kept(i)      ? L"(kept) "
                                  : !store.Selected(i) ? L"(unchecked) "
                                                       : L"";
            host::Out(Pad(number, 4, true) + L"  " +
                      Pad(host::HumanSize(store.Bytes(i)), 10, true) + L"  " +
                      Pad(host::FormatDate(store.Date(i, host::ItemTime::Written)), 16) + L"  " +
                      mark + store.Path(i) + L"\n");
            // An edit says what it removes (or removed) from which database.
            if (const host::RowEdit* edit = row.EditOf(store.Path(i)))
                host::Out(L"                                  " + host::EditSummary(*edit) + L"\n");
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
    host::Out(
        Line(L"No.", L"Category", {L"Removed", L"Failed", L"Changed", L"Freed"}, kCleanWidths));
    for (const host::Row& row : run.Rows()) {
        if (!row.Shown()) continue;
        if (!row.skipReason.empty()) {
            host::Out(Line(RowNumber(row), row.Name(), {L"skipped"}, kCleanWidths));
            continue;
        }
        // A row the clean found nothing to do in is no line of its own.
        const CleanTotals& done = row.cleanTotals;
        if (!row.cleaned ||
            (!row.IsAction() && done.removed + done.failed + row.changed + row.inUse == 0))
            continue;
        if (row.IsAction()) {  // a step, no files: what it did
            host::Out(Line(RowNumber(row), row.Name(),
                           {ActionOutcome(row.category, row.cleanResult == 1)}, kCleanWidths));
            continue;
        }
        host::Out(
            Line(RowNumber(row), row.Name(),
                 {std::to_wstring(row.cleanTotals.removed), std::to_wstring(row.cleanTotals.failed),
                  std::to_wstring(row.changed), host::HumanSize(row.cleanTotals.bytesFreed)},
                 kCleanWidths));
    }
    const host::Totals sum = run.Sum();
    host::Out(Line(L"", L"Total",
                   {std::to_wstring(sum.removed), std::to_wstring(sum.failed),
                    std::to_wstring(sum.changed), host::HumanSize(sum.freed)},
                   kCleanWidths));
    // The headline the question gave, and where its bytes went: held files
    // take their room until the undo store lets them go.
    const host::UndoSummary& held = run.UndoHeld();
    const bool holding = !held.runs.empty() || sum.held;
    host::Out(L"Cleaning " + std::to_wstring(sum.planRemove) + L" item(s), " +
              host::HumanSize(sum.planFree) + (holding ? L": freed now " : L": freed ") +
              host::HumanSize(sum.freed) +
              (holding ? L", held for undo until " + host::FormatTicks(held.until) + L" " +
                             host::HumanSize(sum.heldBytes) + L" in " + std::to_wstring(sum.held) +
                             L" file(s)"
                       : L"") +
              L", left " + host::HumanSize(sum.leftBytes) + L" in " +
              std::to_wstring(sum.failed + sum.inUse + sum.changed) + L" item(s)\n");
    for (const std::wstring& id : held.runs)
        host::Out(L"take it back with: ufclean undo " + id + L"\n");
    if (held.notUndoable || !held.trouble.empty())
        host::Out(std::to_wstring(held.notUndoable) + L" file(s) deleted, not undoable" +
                  (held.trouble.empty() ? L"" : L": " + held.trouble) + L"\n");
    if (sum.changed)
        host::Out(std::to_wstring(sum.changed) +
                  L" file(s) changed since the scan were left: scan again to see them\n");
    for (const host::Row& row : run.Rows())
        if (row.Shown() && !row.skipReason.empty() && !row.IsRule())
            host::Out(L"category " + std::to_wstring(row.category) + L" skipped: " +
                      row.skipReason + L"\n");
    PrintRowNotes(run);
}

}  // namespace ufclean
