#include "history_page.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "dpi.h"
#include "gui_ids.h"
#include "list_view.h"
#include "pipeline/held_clean.h"
#include "platform/system_error.h"
#include "text/format.h"

namespace gui {

namespace {

enum Column { kStarted, kWhat, kFiles, kHeld, kUntil, kState, kColumns };
const int kWidths96[kColumns] = {120, 260, 60, 80, 120, 200};

// Names listed in the message after an undo; the rest are counted.
constexpr std::size_t kNamesShown = 20;

std::wstring StateOf(const undo::RunSummary& run) {
    if (!run.damage.empty()) return run.damage;
    return run.finished ? L"finished" : L"cut short";
}

}  // namespace

void UndoRuns(const std::vector<HeldRunRef>& runs, bool free, UndoNote* note) {
    note->freed = free;
    for (const HeldRunRef& ref : runs) {
        undo::Store store;
        std::wstring why;
        undo::RestoreResult result;
        DWORD error = store.Open(undo::Store::DefaultPath(ref.kind), ref.kind, &why);
        // A clean cut short is completed first, so that it is taken back whole.
        undo::CompleteResult completed;
        if (error == ERROR_SUCCESS && !free && !ref.finished)
            error = undo::Complete(store, ref.id, &completed, &why);
        if (error == ERROR_SUCCESS)
            error = free ? undo::PurgeRun(store, ref.id)
                         : undo::Restore(store, ref.id, nullptr, &result, &why);
        if (error != ERROR_SUCCESS && note->error == ERROR_SUCCESS) {
            note->error = error;
            note->why = why;
        }
        note->result.restored += result.restored;
        note->result.bytes += result.bytes;
        note->result.beside.insert(note->result.beside.end(), result.beside.begin(),
                                   result.beside.end());
        note->result.failed.insert(note->result.failed.end(), result.failed.begin(),
                                   result.failed.end());
    }
}

void HistoryPage::Create(HWND parent) {
    list_ = CreateReportList(parent, kIdHistory, LVS_SINGLESEL | LVS_NOSORTHEADER, 0);
    AddColumn(list_, kStarted, L"Cleaned", kWidths96[kStarted]);
    AddColumn(list_, kWhat, L"What", kWidths96[kWhat]);
    AddColumn(list_, kFiles, L"Files", kWidths96[kFiles], true);
    AddColumn(list_, kHeld, L"Held", kWidths96[kHeld], true);
    AddColumn(list_, kUntil, L"Held until", kWidths96[kUntil]);
    AddColumn(list_, kState, L"State", kWidths96[kState]);
    status_ = Child(parent, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS,
                    kIdHistoryStatus);
    undo_ = Child(parent, WC_BUTTONW, L"&Undo", WS_TABSTOP | WS_DISABLED, kIdUndo);
    free_ = Child(parent, WC_BUTTONW, L"Free &now", WS_TABSTOP | WS_DISABLED, kIdFreeNow);
}

std::uint64_t HistoryPage::Load(UINT dpi) {
    ListView_DeleteAllItems(list_);
    runs_.clear();
    refs_.clear();
    std::uint64_t held = 0;
    host::OpenStores open;
    host::OpenUndoStores(&open);
    for (const undo::Store& store : open.stores) {
        std::vector<undo::RunSummary> runs;
        if (const DWORD error = undo::ListRuns(store, host::kDefaultKeepDays, &runs))
            open.why = L"the undo store " + store.Path() + L" cannot be read: " +
                       host::SystemErrorText(error);
        for (undo::RunSummary& run : runs) {
            held += run.bytes;
            // An elevated clean holds the user's files in the user's store and
            // the system's in the machine's: one clean, one row.
            std::size_t at = 0;
            while (at < runs_.size() &&
                   !(run.damage.empty() && runs_[at].damage.empty() &&
                     runs_[at].started == run.started && runs_[at].what == run.what))
                ++at;
            if (at == runs_.size()) {
                runs_.push_back(run);
                refs_.push_back({});
            } else {
                runs_[at].files += run.files;
                runs_[at].bytes += run.bytes;
                runs_[at].finished = runs_[at].finished && run.finished;
            }
            refs_[at].push_back({store.Kind(), run.id, run.finished});
        }
    }
    // Newest first, whichever store holds them.
    std::vector<std::size_t> order(runs_.size());
    for (std::size_t r = 0; r < order.size(); ++r) order[r] = r;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return runs_[a].started > runs_[b].started;
    });
    std::vector<undo::RunSummary> runs;
    std::vector<std::vector<HeldRunRef>> refs;
    for (std::size_t r : order) {
        runs.push_back(std::move(runs_[r]));
        refs.push_back(std::move(refs_[r]));
    }
    runs_ = std::move(runs);
    refs_ = std::move(refs);
    const std::wstring status = runs_.empty()
                                    ? L"No clean is held for undo."
                                    : std::to_wstring(runs_.size()) + L" clean(s) held for undo, " +
                                          host::HumanSize(held) + L".";
    if (!open.why.empty()) open.why[0] = static_cast<wchar_t>(towupper(open.why[0]));
    SetWindowTextW(status_, (open.why.empty() ? status : status + L" " + open.why).c_str());
    for (std::size_t r = 0; r < runs_.size(); ++r) {
        const undo::RunSummary& run = runs_[r];
        const int row = AddRow(list_, host::FormatTicks(run.started), static_cast<LPARAM>(r));
        SetCell(list_, row, kWhat, run.what);
        SetCell(list_, row, kFiles, std::to_wstring(run.files));
        SetCell(list_, row, kHeld, host::HumanSize(run.bytes));
        SetCell(list_, row, kUntil, host::FormatTicks(run.until));
        SetCell(list_, row, kState, StateOf(run));
    }
    if (!runs_.empty()) ListView_SetItemState(list_, 0, LVIS_SELECTED | LVIS_FOCUSED, 0xF);
    FitColumns(list_, kColumns, runs_.size(), dpi,
               [&](std::size_t row, int column) { return CellOf(list_, row, column); });
    Enable(idle_);
    return held;
}

void HistoryPage::Show(bool shown) {
    for (HWND control : {list_, status_, undo_, free_})
        ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
}

void HistoryPage::Place(const RECT& page, UINT dpi) {
    const int gap = Scale(8, dpi), line = Scale(20, dpi), button = Scale(28, dpi);
    const int buttonWidth = Scale(96, dpi), width = page.right - page.left;
    const int bottom = page.bottom - button;
    const int listBottom = bottom - line - 2 * Scale(4, dpi);
    MoveWindow(list_, page.left, page.top, width,
               std::max(0, listBottom - static_cast<int>(page.top)), TRUE);
    MoveWindow(status_, page.left, listBottom + Scale(4, dpi), width, line, TRUE);
    MoveWindow(undo_, page.right - 2 * buttonWidth - gap, bottom, buttonWidth, button, TRUE);
    MoveWindow(free_, page.right - buttonWidth, bottom, buttonWidth, button, TRUE);
}

const undo::RunSummary* HistoryPage::Selected() const {
    const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    return row >= 0 && static_cast<std::size_t>(row) < runs_.size()
               ? &runs_[static_cast<std::size_t>(row)]
               : nullptr;
}

void HistoryPage::Enable(bool idle) {
    idle_ = idle;
    const undo::RunSummary* run = Selected();
    EnableWindow(undo_, idle && run && run->damage.empty() && run->files > 0);
    EnableWindow(free_, idle && run);
    EnableWindow(list_, idle);
}

std::vector<HeldRunRef> HistoryPage::Find(const std::vector<std::wstring>& ids) const {
    std::vector<HeldRunRef> found;
    for (const std::vector<HeldRunRef>& refs : refs_)
        for (const HeldRunRef& ref : refs)
            if (std::find(ids.begin(), ids.end(), ref.id) != ids.end()) found.push_back(ref);
    return found;
}

const std::vector<HeldRunRef>& HistoryPage::RefsOf(const undo::RunSummary& run) const {
    return refs_[static_cast<std::size_t>(&run - runs_.data())];
}

std::wstring HistoryPage::Summary(const std::wstring& clean, std::uint64_t bytes,
                                  const UndoNote& note) {
    if (note.error != ERROR_SUCCESS)
        return (note.freed ? L"Free now of " : L"Undo of ") + clean + L" failed: " +
               (note.why.empty() ? host::SystemErrorText(note.error) : note.why);
    if (note.freed)
        return L"Freed " + host::HumanSize(bytes) + L" held by " + clean +
               L": its files are deleted.";
    const undo::RestoreResult& result = note.result;
    std::wstring text =
        L"Undo of " + clean + L": " + std::to_wstring(result.restored) + L" file(s) back in place";
    if (!result.beside.empty())
        text += L", " + std::to_wstring(result.beside.size()) +
                L" beside their paths (taken since the clean)";
    if (!result.failed.empty())
        text += L", " + std::to_wstring(result.failed.size()) + L" failed and stay held";
    return text + L"; " + host::HumanSize(result.bytes) + L" restored.";
}

std::wstring HistoryPage::Details(const UndoNote& note) {
    const undo::RestoreResult& result = note.result;
    std::wstring text;
    std::size_t shown = 0;
    if (!result.beside.empty()) text += L"Restored beside their paths, which are taken again:\n";
    for (const auto& [path, name] : result.beside)
        if (++shown <= kNamesShown) text += path + L"  ->  " + name + L"\n";
    if (!result.failed.empty()) text += L"\nStill held, not restored:\n";
    for (const auto& [path, error] : result.failed)
        if (++shown <= kNamesShown) text += path + L": " + host::SystemErrorText(error) + L"\n";
    if (shown > kNamesShown) text += L"and " + std::to_wstring(shown - kNamesShown) + L" more.";
    return text;
}

}  // namespace gui
