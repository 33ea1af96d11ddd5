// The window's side of the undo store: the History page's Undo and Free
// now run on the worker, and their end is reported on the page.
#include <iterator>

#include "gui_ids.h"
#include "list_view.h"
#include "main_window.h"
#include "rule_rows.h"
#include "text/format.h"

namespace gui {

void MainWindow::LoadHistory() {
    heldBytes_ = history_.Load(dpi_);
    ShowSpace();
}

void MainWindow::StartUndo(bool free) {
    const undo::RunSummary* run = history_.Selected();
    if (!run) return;
    if (free &&
        MessageBoxW(window_,
                    (L"Delete the " + std::to_wstring(run->files) + L" file(s), " +
                     host::HumanSize(run->bytes) + L", held by the clean of " +
                     host::FormatTicks(run->started) + L"?\n\nThe clean cannot be taken back then.")
                        .c_str(),
                    L"Free now", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    StartUndo(history_.RefsOf(*run), free, L"the clean of " + host::FormatTicks(run->started),
              run->bytes);
}

void MainWindow::StartUndo(std::vector<HeldRunRef> runs, bool free, std::wstring what,
                           std::uint64_t bytes) {
    undoWhat_ = std::move(what);
    undoBytes_ = bytes;
    SetState(kStateBusy);
    const wchar_t* doing = free ? L"Deleting the held files..." : L"Taking the clean back...";
    SetText(history_.Status(), doing);
    SetText(status_, doing);
    worker_->StartUndo(std::move(runs), free);
}

namespace {

// The box's entries, in order, with the undo mode of each.
const struct {
    host::UndoMode mode;
    const wchar_t* text;
} kUndoModes[] = {{host::UndoMode::Default, L"default (not caches that refill)"},
                  {host::UndoMode::All, L"all that can be held"},
                  {host::UndoMode::None, L"none: delete at once"}};

}  // namespace

void MainWindow::CreateUndoControls() {
    undoModeLabel_ =
        Child(window_, WC_STATICW, L"&Hold for undo:", SS_LEFT | SS_CENTERIMAGE, kIdUndoModeLabel);
    undoMode_ = Child(window_, WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST, kIdUndoMode);
    for (const auto& entry : kUndoModes) {
        const LRESULT at =
            SendMessageW(undoMode_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text));
        if (entry.mode == options_.undo) SendMessageW(undoMode_, CB_SETCURSEL, at, 0);
    }
    categories_.SetUndoMode(options_.undo);
    undoClean_ = Child(window_, WC_BUTTONW, L"Undo c&lean", WS_TABSTOP | WS_DISABLED, kIdUndoClean);
}

host::UndoMode MainWindow::UndoMode() const {
    const LRESULT at = SendMessageW(undoMode_, CB_GETCURSEL, 0, 0);
    return at >= 0 && static_cast<std::size_t>(at) < std::size(kUndoModes) ? kUndoModes[at].mode
                                                                           : host::UndoMode::None;
}

std::wstring MainWindow::WhatIsCleaned(const std::vector<bool>& chosen) const {
    constexpr std::size_t kNamed = 3;  // then "and N more"
    std::wstring what;
    std::size_t named = 0, more = 0;
    for (std::size_t r = 0; r < chosen.size(); ++r) {
        if (!chosen[r]) continue;
        if (named++ < kNamed)
            what += (what.empty() ? L"" : L", ") + RowName(model_.NumberOf(r));
        else
            ++more;
    }
    return more ? what + L" and " + std::to_wstring(more) + L" more" : what;
}

void MainWindow::OnUndoDone(const UndoNote& note) {
    worker_->Finished();
    LoadHistory();
    const std::wstring summary = HistoryPage::Summary(undoWhat_, undoBytes_, note);
    SetText(history_.Status(), summary);
    SetText(status_, summary);
    lastClean_.clear();  // taken back or let go, or gone with another
    EnableWindow(undoClean_, FALSE);
    SetState(idleState_);
    if (closing_) {
        DestroyWindow(window_);
        return;
    }
    const std::wstring details = HistoryPage::Details(note);
    if (!details.empty())
        MessageBoxW(window_, details.c_str(), L"Undo", MB_OK | MB_ICONINFORMATION);
}

}  // namespace gui
