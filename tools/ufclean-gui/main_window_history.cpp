// The window's side of the undo store: the History page's Undo and Free
// now run on the worker, and their end is reported on the page.
#include "gui_ids.h"
#include "main_window.h"
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
                     LocalTimeOf(run->started) + L"?\n\nThe clean cannot be taken back then.")
                        .c_str(),
                    L"Free now", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    undoing_ = *run;
    SetState(kStateBusy);
    SetText(history_.Status(), free ? L"Deleting the held files..." : L"Taking the clean back...");
    worker_->StartUndo(run->id, free);
}

void MainWindow::OnUndoDone(const UndoNote& note) {
    worker_->Finished();
    LoadHistory();
    SetText(history_.Status(), HistoryPage::Summary(undoing_, note));
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
