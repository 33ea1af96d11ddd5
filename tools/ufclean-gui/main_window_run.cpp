// The window's side of a run: it starts the worker's scan and clean, and
// shows the rows, totals and the picture of the space as they come.
#include <algorithm>

#include "clean_confirm.h"
#include "gui_ids.h"
#include "main_window.h"
#include "pipeline/kept_sites.h"
#include "pipeline/run_report.h"
#include "platform/user_files.h"
#include "rule_rows.h"
#include "text/format.h"

namespace gui {

namespace {

constexpr size_t kLargestShown = 3;  // items in the picture's bar of the largest

}  // namespace

void MainWindow::StartScan() {
    const std::vector<std::uint32_t> numbers = categories_.Checked();
    if (numbers.empty()) {
        SetText(status_, L"No category is checked.");
        return;
    }
    model_.Start(numbers);
    items_.Reset(model_);
    categories_.ResetFigures();
    Layout();
    ShowSpace();
    SetText(notice_, RulesFileNotice());
    SendMessageW(progress_, PBM_SETPOS, 0, 0);
    SetState(kStateBusy);
    SetText(status_, L"Scanning...");
    host::SelectOptions select;
    select.olderThanDays = options_.olderThanDays;
    select.keptSites = host::LoadKeptSites();
    worker_->StartScan(std::move(select));
}

void MainWindow::StartClean() {
    host::Pipeline& run = model_.Pipeline();
    const std::vector<bool> chosen = model_.Chosen(categories_.Checked());
    // A bin with an unchecked item stays whole: none of it is removed.
    const host::Totals totals = run.Sum(&chosen);
    std::uint32_t held = 0;
    const bool binHeld = run.HeldBinItem(&held);
    size_t actions = 0;
    for (std::size_t r = 0; r < run.Rows().size(); ++r)
        actions += chosen[r] && run.Rows()[r].IsAction() ? 1 : 0;
    if (totals.wouldRemove == 0 && actions == 0) {
        SetText(status_, L"Nothing is checked: nothing to remove.");
        return;
    }
    if (!ConfirmClean(window_, totals.wouldRemove, totals.wouldFree, actions,
                      binHeld ? model_.Store().Path(held) : std::wstring(),
                      UndoMode() != host::UndoMode::None)) {
        SetText(status_, L"Clean cancelled: nothing removed.");
        return;
    }
    run.Plan(&chosen);
    lastClean_.clear();
    SetState(kStateBusy);
    SendMessageW(progress_, PBM_SETPOS, 0, 0);
    SetText(status_, L"Cleaning...");
    worker_->StartClean({UndoMode(), WhatIsCleaned(chosen), host::kDefaultKeepDays});
}

void MainWindow::OnProgress(const ProgressNote& note) {
    const std::uint32_t percent = note.percent > 100 ? 100 : note.percent;
    if (note.steps)
        SendMessageW(progress_, PBM_SETPOS, (note.step * 1000 + percent * 10) / note.steps, 0);
    SetText(status_, RowName(model_.NumberOf(note.row)) + L": " + note.path);
    const Sums total = model_.Total();
    SetText(totals_, L"Category " + std::to_wstring(note.step + 1) + L" of " +
                         std::to_wstring(note.steps) + L", count " + std::to_wstring(note.count) +
                         L"; found so far " + std::to_wstring(total.count) + L" item(s), " +
                         host::HumanSize(total.bytes));
}

void MainWindow::OnRowDone(const RowNote& note) {
    // The store is the worker's until it ends: the row's copy and sums only.
    model_.RowDone(note.index, note.sums);
    categories_.ShowRun(model_.NumberOf(note.index), note.row, note.sums);
    Layout();  // the tree widens to its labels
    ShowTotals();
}

void MainWindow::OnScanDone(bool stopped) {
    worker_->Finished();
    SendMessageW(progress_, PBM_SETPOS, 1000, 0);
    // The repeats were deselected once every row was in.
    model_.Recount();
    items_.Reset(model_);
    ShowRows();
    const host::Totals totals = model_.Pipeline().Sum();
    SetText(status_,
            std::wstring(stopped ? L"Scan stopped: " : L"Scan done: ") +
                (SomethingToClean() ? std::to_wstring(totals.found) + L" item(s), " +
                                          host::HumanSize(totals.foundBytes) + L" in " +
                                          std::to_wstring(model_.RowCount()) + L" categories."
                                    : std::wstring(L"nothing to clean.")));
    WriteReport(L"scan", stopped);
    SetState(kStateScanned);
    ShowTotals();
    ShowSpace();
    if (closing_) {
        DestroyWindow(window_);
    } else if (options_.scanAtStart && !options_.screenshot.empty()) {
        PostMessageW(window_, kMsgCapture, 0, 0);
    }
}

void MainWindow::OnCleanDone(bool stopped) {
    worker_->Finished();
    // The report of what the clean was given and did, as the console's.
    WriteReport(L"clean", stopped);
    model_.Pipeline().DropRemoved();
    model_.Recount();
    items_.Reset(model_);
    ShowRows();
    SendMessageW(progress_, PBM_SETPOS, 1000, 0);
    const host::Totals totals = model_.Pipeline().Sum();
    const host::UndoSummary& held = model_.Pipeline().UndoHeld();
    std::wstring text =
        std::wstring(stopped ? L"Clean stopped: removed " : L"Clean done: removed ") +
        std::to_wstring(totals.removed) + L", failed " +
        std::to_wstring(totals.failed + totals.inUse + totals.changed) + L", freed now " +
        host::HumanSize(totals.freed);
    if (held.files)
        text += L", held for undo until " + host::FormatTicks(held.until) + L" (" +
                std::to_wstring(held.files) + L" file(s), " + host::HumanSize(held.bytes) + L")";
    text += L".";
    if (held.notUndoable)
        text += L" " + std::to_wstring(held.notUndoable) + L" file(s) deleted, not undoable" +
                (held.trouble.empty() ? L"." : L": " + held.trouble + L".");
    SetText(status_, text);
    LoadHistory();  // and the picture
    lastClean_ = history_.Find(held.runs);
    SetState(kStateCleaned);
    ShowTotals();
    if (closing_) DestroyWindow(window_);
}

void MainWindow::WriteReport(const wchar_t* command, bool stopped) {
    if (options_.report.empty()) return;
    host::JsonWriter json;
    json.BeginObject();
    host::WriteRunReport(&json, command, stopped, model_.Pipeline());
    json.EndObject();
    std::wstring error;
    if (host::WriteTextFile(options_.report, json.Text() + "\n", &error)) return;
    exitCode_ = kGuiExitReport;
    OutputDebugStringW(error.c_str());
}

bool MainWindow::SomethingToClean() const {
    const host::Pipeline& run = model_.Pipeline();
    if (run.Sum().found > 0) return true;
    for (const host::Row& row : run.Rows())
        if (row.IsAction()) return true;
    return false;
}

void MainWindow::ShowRows() {
    const std::vector<host::Row>& rows = model_.Pipeline().Rows();
    for (std::size_t r = 0; r < rows.size(); ++r)
        categories_.ShowRun(model_.NumberOf(r), rows[r], model_.SumsOfRow(r));
    Layout();  // the tree widens to its labels
}

void MainWindow::ShowTotals() {
    // While the worker runs, the sums of the rows it posted; once it ended,
    // the pipeline's totals (a file two rows list counts once).
    Sums total = model_.Total();
    std::uint64_t repeated = 0;
    std::uint32_t held = 0;
    bool binHeld = false;
    if (!worker_->Busy()) {
        const std::vector<bool> chosen = model_.Chosen(categories_.Checked());
        const host::Totals totals = model_.Pipeline().Sum(&chosen);
        total.count = totals.found;
        total.bytes = totals.foundBytes;
        total.selectedCount = totals.wouldRemove;
        total.selectedBytes = totals.wouldFree;
        total.protectedCount = totals.kept + totals.keptForAge;
        repeated = totals.repeatedFiles;
        binHeld = model_.Pipeline().HeldBinItem(&held);
    }
    // The console's words: found, kept, would remove and free.
    SetText(totals_, L"Found " + std::to_wstring(total.count) + L" item(s), " +
                         host::HumanSize(total.bytes) + L"; kept " +
                         std::to_wstring(total.protectedCount) + L"; a clean would remove " +
                         std::to_wstring(total.selectedCount) + L", freeing " +
                         host::HumanSize(total.selectedBytes) + L"." +
                         (repeated ? L" " + std::to_wstring(repeated) +
                                         L" file(s) listed by two rows are counted under the "
                                         L"first."
                                   : L""));
    SetText(notice_, binHeld ? L"The recycle bin is emptied whole: \"" +
                                   std::wstring(model_.Store().Name(held)) +
                                   L"\" is unchecked, so the whole recycle bin is left out of "
                                   L"the clean."
                             : RulesFileNotice());
}

void MainWindow::ShowSpace() {
    // The store is the worker's while a scan runs.
    if (worker_->Busy()) return;
    // What a clean would take: the checked items of the checked choices.
    const std::vector<bool> runChosen = model_.Chosen(categories_.Checked());
    SpaceFigures figures;
    std::uint64_t byGroup[kChoiceGroups] = {};
    for (std::size_t r = 0; r < model_.RowCount(); ++r)
        if (runChosen[r])
            byGroup[static_cast<int>(categories_.GroupOf(model_.NumberOf(r)))] +=
                model_.SumsOfRow(r).selectedBytes;
    for (int group = 0; group < kChoiceGroups; ++group) {
        const GroupLook& look = LookOf(static_cast<ChoiceGroup>(group));
        if (byGroup[group]) figures.groups.push_back({look.title, byGroup[group], look.color});
    }
    // The largest of them: a heap of those seen so far, the smallest on top.
    const host::ItemStore& store = model_.Store();
    std::vector<std::uint32_t> largest;
    auto smaller = [&](std::uint32_t a, std::uint32_t b) {
        return store.Bytes(a) > store.Bytes(b);
    };
    std::uint64_t checked = 0;
    for (std::uint32_t i = 0; i < store.Count(); ++i) {
        if (!store.Selected(i) || !runChosen[store.Run(i)]) continue;
        checked += store.Bytes(i);
        if (largest.size() == kLargestShown && store.Bytes(i) <= store.Bytes(largest.front()))
            continue;
        largest.push_back(i);
        std::push_heap(largest.begin(), largest.end(), smaller);
        if (largest.size() > kLargestShown) {
            std::pop_heap(largest.begin(), largest.end(), smaller);
            largest.pop_back();
        }
    }
    std::sort_heap(largest.begin(), largest.end(), smaller);
    static const COLORREF kShades[] = {RGB(31, 119, 135), RGB(62, 150, 166), RGB(98, 176, 190)};
    std::uint64_t shown = 0;
    for (size_t k = 0; k < largest.size(); ++k) {
        figures.largest.push_back(
            {std::wstring(store.Name(largest[k])), store.Bytes(largest[k]), kShades[k % 3]});
        shown += store.Bytes(largest[k]);
    }
    if (checked > shown)
        figures.largest.push_back({L"the rest", checked - shown, RGB(210, 226, 230)});
    ReadSystemDrive(&figures);
    // The bytes held for undo: the stores lie in the profile and the
    // program data folder, both on the system drive as a rule.
    figures.held = heldBytes_;
    space_.Show(std::move(figures));
    Layout();  // the key may take another line
}

}  // namespace gui
